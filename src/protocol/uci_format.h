// Text of the UCI output lines (scores, statistics, principal variations, best and
// current move, the "ucitest" timing line), built from numbers and move texts on the
// caller's stack. The output sinks use these; they never allocate.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolvaren {

struct Optionsbeschreibung_t;

// Moves are appended to a variation only while the line stays below this length.
constexpr std::size_t PvLineLimit = 1000;

// A fixed-capacity line of text; appends that do not fit are cut, never overrun.
class TextLine {
   public:
    static constexpr std::size_t Capacity = 1024;

    void clear() {
        length_ = 0;
        text_[0] = '\0';
    }
    void append(const char* text);
    void appendf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Appends a blank and the move unless the line would reach PvLineLimit characters.
    bool appendMove(const char* move);
    // Reduces every run of blanks to one blank.
    void collapseBlanks();

    const char* c_str() const { return text_; }
    std::size_t size() const { return length_; }

   private:
    char text_[Capacity] = {};
    std::size_t length_ = 0;
};

// Progress figures of a running search as the sinks print them.
struct SearchFigures {
    int depthIndex = 0;  // depth d is printed as d + 1
    int selDepth = 0;
    int64_t millis = 0;
    int64_t nodes = 0;
    int hashFull = 0;  // permille
    int64_t tbHits = 0;
};

// " score cp N" or " score mate N", then " lowerbound" / " upperbound" against the window.
void appendScore(TextLine& line, int32_t score, int32_t alpha, int32_t beta);

// "info depth .. seldepth .. time .. nodes .. nps .. hashfull .." [" tbhits .."].
void formatStatistics(TextLine& line, const SearchFigures& figures);

// Everything of a PV line up to and including " pv"; moves follow with appendMove.
void formatPvHead(TextLine& line, int32_t score, int32_t alpha, int32_t beta, const SearchFigures& figures);

// "info multipv N depth D" + score + " pv"; moves follow with appendMove.
void formatMultiPvHead(TextLine& line, int lineNumber, int32_t score, int depthIndex);

// "bestmove M" [" ponder P"]; ponder may be null.
void formatBestMove(TextLine& line, const char* best, const char* ponder);

// "info currmove M currmovenumber N hashfull H".
void formatCurrentMove(TextLine& line, const char* move, int number, int hashFull);

// Running totals of the "ucitest" mode: search count, time sum and log-time sum.
struct SearchTimes {
    int32_t count = 0;
    double sum = 0.0;
    double logSum = 0.0;

    // Counts one search of the given length (at least 0.01 s); returns the length used.
    double add(double seconds);
    double geometricMean() const;
};

// "%3d %12.3f %12.3f %12.3f": count, last time, time sum, geometric mean. Its
// columns are meant to line up, so blanks are kept.
void formatTimingLine(TextLine& line, const SearchTimes& times, double lastSeconds);

// "option name ... type ..." as announced to the GUI, written into buffer (always terminated).
void formatOptionLine(const Optionsbeschreibung_t& option, char* buffer, std::size_t size);

}  // namespace tolvaren
