#include "protocol/xboard_time_control.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "protocol/text_scan.h"

namespace tolvaren {

namespace {

constexpr int32_t MateRange = 450000;
constexpr int32_t XboardMateOffset = 467233;

// A cursor over the "level" arguments that converts one field at a time, the way a
// scanf format would, but never overflows: out-of-range numbers fail the field.
class FieldReader {
public:
    explicit FieldReader(const char* text) : p_(text) {}

    bool integer(int32_t& value) {
        p_ = skipSpace(p_);
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(p_, &end, 10);
        if (end == p_ || errno == ERANGE || v < std::numeric_limits<int32_t>::min() ||
            v > std::numeric_limits<int32_t>::max())
            return false;
        value = static_cast<int32_t>(v);
        p_ = end;
        return true;
    }

    bool real(double& value) {
        p_ = skipSpace(p_);
        char* end = nullptr;
        const double v = std::strtod(p_, &end);
        if (end == p_ || !std::isfinite(v)) return false;
        value = v;
        p_ = end;
        return true;
    }

    // A word of at most 20 characters; a longer word is split as "%20s" would.
    bool word(char (&out)[21]) {
        p_ = skipSpace(p_);
        std::size_t n = 0;
        while (n < 20 && p_[n] != '\0' && !isBlankChar(p_[n])) {
            out[n] = p_[n];
            ++n;
        }
        out[n] = '\0';
        p_ += n;
        return n > 0;
    }

private:
    const char* p_;
};

// "minutes" or "minutes:seconds" in milliseconds; false when neither reads.
bool readBase(const char* text, double& millis) {
    char* end = nullptr;
    errno = 0;
    const long minutes = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE) return false;
    long seconds = 0;
    if (std::strchr(text, ':') != nullptr) {
        if (*end != ':') return false;
        const char* s = end + 1;
        seconds = std::strtol(s, &end, 10);
        if (end == s || errno == ERANGE) return false;
    }
    millis = (static_cast<double>(seconds) + static_cast<double>(minutes) * 60.0) * 1000.0;
    return true;
}

bool isLastPeriod(const XboardTimeControl& control, int period) {
    return period == 2 || !control.periods[period + 1].exists();
}

}  // namespace

XboardTimeControl XboardTimeControl::initial() {
    XboardTimeControl control;
    control.periods[0] = {0, 300000.0, 0.0};
    return control;
}

bool parseLevel(const char* args, XboardTimeControl& control) {
    control = XboardTimeControl{};
    XboardPeriod read[3];
    int items = 0;
    FieldReader reader(args);
    for (int i = 0; i < 3; ++i) {
        char base[21];
        if (!reader.integer(read[i].moves)) break;
        ++items;
        if (!reader.word(base)) break;
        ++items;
        if (!reader.real(read[i].increment)) break;
        ++items;
        if (!readBase(base, read[i].base)) return false;
        read[i].increment *= 1000.0;
        // A negative move count would read as "absent"; it means the whole game.
        if (read[i].moves < 0) read[i].moves = 0;
    }
    if (items < 3 || items % 3 != 0) return false;
    for (int i = 0; i < items / 3; ++i) control.periods[i] = read[i];
    return true;
}

PeriodPosition locatePeriod(const XboardTimeControl& control, int64_t movesPlayed) {
    PeriodPosition at;
    const XboardPeriod* p = control.periods;
    if (p[0].moves <= 0) return at;
    int64_t m = movesPlayed;
    if (p[1].exists() && m >= p[0].moves) {
        m -= p[0].moves;
        at.period = 1;
        if (p[1].moves > 0 && p[2].exists() && m >= p[1].moves) {
            m -= p[1].moves;
            at.period = 2;
        }
    }
    const int32_t moves = p[at.period].moves;
    if (moves <= 0) return at;
    // The last period repeats for as long as the game lasts.
    at.movesInto = isLastPeriod(control, at.period) ? m % moves : m;
    at.movesToGo = static_cast<int>(moves - at.movesInto);
    return at;
}

double incrementDue(const XboardTimeControl& control, int64_t movesPlayed) {
    const PeriodPosition at = locatePeriod(control, movesPlayed);
    const XboardPeriod& current = control.periods[at.period];
    // This move completes the period (or one cycle of the repeating last period).
    if (at.movesToGo == 1) {
        if (isLastPeriod(control, at.period)) return current.base + current.increment;
        return current.increment + control.periods[at.period + 1].base;
    }
    return current.increment;
}

int64_t searchTimeForMove(int64_t moveTime) {
    const int64_t reserve = MoveTimeReserve + moveTime / 100;
    return std::max<int64_t>(moveTime - reserve, 1);
}

void formatGoLine(TextLine& line, const XboardTimeControl& control, const GoRequest& request) {
    line.clear();
    if (request.fixedDepth > 0) {
        line.appendf("go depth %ld", static_cast<long>(request.fixedDepth));
    } else if (request.fixedMoveTime >= 0) {
        line.appendf("go movetime %10.0f", static_cast<double>(searchTimeForMove(request.fixedMoveTime)));
    } else {
        const int64_t moves = (request.halfMovesPlayed + (request.ponder ? 1 : 0)) / 2;
        const PeriodPosition at = locatePeriod(control, moves);
        const double clock = static_cast<double>(request.ownClock);
        const double increment = control.periods[at.period].increment;
        line.appendf("go wtime %16.0f btime %16.0f winc %16.0f binc %16.0f", clock, clock, increment, increment);
        if (at.movesToGo >= 1) line.appendf(" movestogo %d", at.movesToGo);
    }
    if (request.ponder) line.append(" ponder");
}

int32_t xboardScore(int32_t score) {
    if (score > MateRange) return score - XboardMateOffset;
    if (score < -MateRange) return score + XboardMateOffset;
    if (score >= 2) return (score + 9) / 10;
    if (score <= -2) return (score - 9) / 10;
    return 0;
}

}  // namespace tolvaren
