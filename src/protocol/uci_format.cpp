#include "protocol/uci_format.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "search/options.h"

namespace tolvaren {

namespace {

constexpr int32_t MateRange = 450000;
constexpr int32_t MateBase = 500001;

// nodes * 1000 / millis without overflowing on long searches.
long long perSecond(int64_t nodes, int64_t millis) {
    return static_cast<long long>(nodes / millis * 1000 + nodes % millis * 1000 / millis);
}

}  // namespace

void TextLine::append(const char* text) {
    const std::size_t n = std::min(std::strlen(text), Capacity - 1 - length_);
    std::memcpy(text_ + length_, text, n);
    length_ += n;
    text_[length_] = '\0';
}

void TextLine::appendf(const char* format, ...) {
    const std::size_t room = Capacity - length_;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text_ + length_, room, format, args);
    va_end(args);
    if (n > 0) length_ += std::min(static_cast<std::size_t>(n), room - 1);
}

bool TextLine::appendMove(const char* move) {
    const std::size_t n = std::strlen(move);
    if (length_ + 1 + n >= PvLineLimit) return false;
    text_[length_++] = ' ';
    std::memcpy(text_ + length_, move, n);
    length_ += n;
    text_[length_] = '\0';
    return true;
}

void TextLine::collapseBlanks() {
    std::size_t out = 0;
    for (std::size_t in = 0; in < length_; ++in)
        if (text_[in] != ' ' || out == 0 || text_[out - 1] != ' ') text_[out++] = text_[in];
    length_ = out;
    text_[length_] = '\0';
}

void appendScore(TextLine& line, int32_t score, int32_t alpha, int32_t beta) {
    if (score > MateRange)
        line.appendf(" score mate %d", (MateBase - score) / 2);
    else if (score < -MateRange)
        line.appendf(" score mate %d", (-MateBase - score) / 2);
    else if (score >= -1 && score <= 1)
        line.append(" score cp 0");
    else
        line.appendf(" score cp %d", score > 0 ? (score + 9) / 10 : (score - 9) / 10);

    if (score >= beta)
        line.append(" lowerbound");
    else if (score <= alpha)
        line.append(" upperbound");
}

void formatStatistics(TextLine& line, const SearchFigures& f) {
    const int depth = f.depthIndex + 1;
    const int64_t millis = std::max<int64_t>(f.millis, 1);
    line.appendf("info depth %d seldepth %d time %16.0f nodes %16.0f nps %lld hashfull %d", depth,
                 std::max(f.selDepth, depth), static_cast<double>(millis), static_cast<double>(f.nodes),
                 perSecond(f.nodes, millis), f.hashFull);
    if (f.tbHits > 0) line.appendf(" tbhits %lld", static_cast<long long>(f.tbHits));
    line.collapseBlanks();
}

void formatPvHead(TextLine& line, int32_t score, int32_t alpha, int32_t beta, const SearchFigures& f) {
    const int depth = f.depthIndex + 1;
    const int64_t elapsed = std::max<int64_t>(f.millis, 0);
    line.appendf("info depth %d seldepth %d", depth, std::max(f.selDepth, depth));
    appendScore(line, score, alpha, beta);
    line.appendf(" time %16.0f nodes %16.0f nps %lld hashfull %d",
                 static_cast<double>(std::max<int64_t>(elapsed, 1)), static_cast<double>(f.nodes),
                 perSecond(f.nodes, elapsed + 1), f.hashFull);
    if (f.tbHits > 0) line.appendf(" tbhits %lld", static_cast<long long>(f.tbHits));
    line.append(" pv");
    // Collapse before the moves so the length limit counts what is printed.
    line.collapseBlanks();
}

void formatMultiPvHead(TextLine& line, int lineNumber, int32_t score, int depthIndex) {
    line.appendf("info multipv %d depth %d", lineNumber, depthIndex + 1);
    appendScore(line, score, score - 1, score + 1);
    line.append(" pv");
    line.collapseBlanks();
}

void formatBestMove(TextLine& line, const char* best, const char* ponder) {
    line.append("bestmove ");
    line.append(best);
    if (ponder != nullptr) {
        line.append(" ponder ");
        line.append(ponder);
    }
    line.collapseBlanks();
}

void formatCurrentMove(TextLine& line, const char* move, int number, int hashFull) {
    line.append("info currmove ");
    line.append(move);
    line.appendf(" currmovenumber %d hashfull %d", number, hashFull);
    line.collapseBlanks();
}

double SearchTimes::add(double seconds) {
    const double t = std::max(seconds, 0.01);
    ++count;
    sum += t;
    logSum += std::log(t);
    return t;
}

double SearchTimes::geometricMean() const {
    return count > 0 ? std::exp(logSum / count) : 0.0;
}

void formatTimingLine(TextLine& line, const SearchTimes& times, double lastSeconds) {
    line.appendf("%3d %12.3f %12.3f %12.3f", times.count, lastSeconds, times.sum, times.geometricMean());
}

void formatOptionLine(const Optionsbeschreibung_t& o, char* buffer, std::size_t size) {
    switch (o.kind) {
        case OptionKind::Check:
            std::snprintf(buffer, size, "option name %s type check default %s", o.name, o.defaultText);
            break;
        case OptionKind::Spin:
            std::snprintf(buffer, size, "option name %s type spin default %s min %d max %d", o.name,
                          o.defaultText, o.min, o.max);
            break;
        case OptionKind::Button:
            std::snprintf(buffer, size, "option name %s type button", o.name);
            break;
        case OptionKind::String:
            std::snprintf(buffer, size, "option name %s type string default %s", o.name, o.defaultText);
            break;
        case OptionKind::List:
            // The choices are kept as one text, "a var b var c".
            std::snprintf(buffer, size, "option name %s type combo default %s%s%s", o.name, o.defaultText,
                          o.listText ? " var " : "", o.listText ? o.listText : "");
            break;
    }
}

}  // namespace tolvaren
