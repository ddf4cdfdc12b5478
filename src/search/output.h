// The output sink: everything the engine tells its controller passes through an
// Ausgabe_t, which turns numbers and moves into protocol lines (or nothing).
// The command thread and the search threads share one sink. The search reports only
// through it; the protocol folder holds the UCI and XBoard sinks.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "board/move.h"

namespace tolvaren {

struct Stellung_t;

class Ausgabe_t {
   public:
    explicit Ausgabe_t(std::FILE* out = stdout) : out_(out) {}
    Ausgabe_t(const Ausgabe_t&) = delete;
    Ausgabe_t& operator=(const Ausgabe_t&) = delete;

    // Every printing operation asks this first and prints nothing when it says so.
    virtual bool muted() const { return muted_.load(std::memory_order_relaxed); }
    virtual ~Ausgabe_t() = default;

    // Prints one line as it is.
    virtual void line(const char* text);
    virtual void error(const char* message, const char* detail);
    virtual void secondError(const char* message, const char* detail);
    // A note for the user from the search (a file it could not write, fewer threads
    // than asked for); each protocol words it its own way.
    virtual void message(const char* text);
    virtual void statistics(int depthIndex, int selDepth, int64_t millis, int64_t nodes, int hashFull,
                            int64_t tbHits);
    virtual void bestMove(const Stellung_t& pos, Zug_t best, Zug_t ponder);
    virtual void currentMove(const Stellung_t& pos, Zug_t move, int number, int hashFull);
    virtual void principalVariation(const Stellung_t& pos, const Zug_t* moves, int length, int32_t score,
                                    int32_t alpha, int32_t beta, int depthIndex, int selDepth, int64_t millis,
                                    int64_t nodes, int hashFull, int64_t tbHits, bool suppress);
    virtual void multiPvLine(const Stellung_t& pos, const Zug_t* moves, int length, int lineNumber,
                             int32_t score, int depthIndex);

    // Silences the sink for good ("quit"). Once this returns no line is being
    // written and none will be, whichever thread tries.
    void mute();

   protected:
    // Writes the finished text and a line feed, flushed, as one unit under the sink's
    // lock; a line that loses the race against mute() is dropped.
    void writeLine(const char* text);

   private:
    std::atomic<bool> muted_{false};
    std::mutex mutex_;  // held only while one line is written
    std::FILE* out_;
};

}  // namespace tolvaren
