// The time log: the network inputs, factor and decision of the last iterations of a search,
// appended to a file after the search so that new training samples can be made from them.
// The search driver keeps one and writes it out when "TimeLogfile" is not "/dev/null".
#pragma once

#include <cstddef>
#include <cstdint>

#include "net/time_network.h"

namespace tolvaren {

class Zeitprotokoll_t {
   public:
    static constexpr int Lines = 3;
    static constexpr std::size_t LineSize = ZeitnetzEingabe_t::TextSize + 48;
    // Iterations that end after more nodes than this are not logged; the log keeps the last
    // three iterations before that point.
    static constexpr uint64_t MaxLoggedNodes = 29999;

    void clear();
    // Keeps one iteration's line: the input text, the factor handed to the time test and a flag
    // (the driver passes its continue decision). Allocates nothing.
    void record(const ZeitnetzEingabe_t& input, double factor, int flag, uint64_t nodes);
    // Appends the kept lines, oldest first, each with a newline. Nothing is written, and true is
    // returned, for "/dev/null" or an empty log; false when the file cannot be written.
    bool append(const char* fileName) const;

    int lineCount() const { return filled_; }
    // Line i of the kept ones, oldest first, without its newline.
    const char* line(int i) const;

   private:
    char lines_[Lines][LineSize] = {};
    int next_ = 0;  // slot of the next line; once all are filled also the oldest
    int filled_ = 0;
};

}  // namespace tolvaren
