#include "search/time_control.h"

#include <sys/time.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "board/ablation.h"

namespace tolvaren {

namespace {

constexpr int64_t MovesToGoWhenUnknown = 99;
constexpr int64_t ClockReserve = 200;  // kept back for transmission and GUI lag
constexpr int64_t MinUsableTime = 50;
constexpr int64_t LowClockShare = 4;
constexpr int64_t MinNodes = 200;
constexpr int64_t HardNodesPerSoft = 10;
constexpr int32_t UnlimitedIterations = 1000;

// Iteration limits far beyond the driver's own cap all mean the same; this only
// keeps absurd "depth" values from overflowing.
int32_t iterationLimit(int64_t value) {
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

}  // namespace

int64_t nowMillis() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return static_cast<int64_t>(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
}

void Zeitkontrolle_t::startSearch(const SearchLimits& limits, int64_t now) {
    start = now;
    target = soft = hard = NoTimeLimit;
    nodesSoft = nodesHard = NoNodeLimit;
    maxIteration = UnlimitedIterations;
    nodeClock = limits.nodeClock;

    // One limit rules, in this order; the clock only when none is given.
    // A mate in m moves is 2m - 1 plies deep, about one iteration per ply; the rest is margin.
    const int64_t mateIterations = 2 * std::clamp<int64_t>(limits.mate, 0, UnlimitedIterations) + 3;
    if (limits.infinite) return;
    if (limits.depth > 0) {
        maxIteration = iterationLimit(limits.mate > 0 ? mateIterations : limits.depth - 1);
        return;
    }
    if (limits.mate > 0) {
        maxIteration = iterationLimit(mateIterations);
        return;
    }
    if (limits.movetime > 0) {
        hard = limits.movetime;
        return;
    }
    if (limits.nodes > 0) {
        // Counts too large to multiply safely are no limit in practice.
        nodesSoft = std::clamp(limits.nodes, MinNodes, NoNodeLimit);
        nodesHard = nodesSoft > NoNodeLimit / HardNodesPerSoft ? NoNodeLimit : HardNodesPerSoft * nodesSoft;
        return;
    }

    // Clock values beyond any real game are cut down so that the sums below cannot overflow.
    const int64_t time = std::min(limits.time, NoTimeLimit);
    const int64_t increment = std::min(limits.increment, NoTimeLimit);
    const int64_t movestogo = limits.movestogo;
    const int64_t mtg = movestogo >= 1 && movestogo <= 99 ? movestogo : MovesToGoWhenUnknown;
    // Below 200 ms a fixed 50 ms could exceed the clock itself and lose on time, so a
    // nearly empty clock gives a quarter of what is left instead. A "go" without any
    // clock (time 0) keeps the short fixed search.
    const int64_t t = time >= MinUsableTime + ClockReserve ? time - ClockReserve
                      : time >= ClockReserve || time <= 0  ? MinUsableTime
                                                           : std::max<int64_t>(time / LowClockShare, 1);
    const int64_t reserve =
        ablation::off(ablation::IncrementReserve) ? 0 : std::max<int64_t>(incrementReserve, 0);
    const int64_t inc = increment > reserve ? increment - reserve : 0;
    const double tt = static_cast<double>(t);

    // Spread: how many moves the remaining time is shared over, rising with
    // moves to go but flattening out near 55.
    const double spread = 0.5 + 55.0 * (2.0 / (1.0 + std::exp(-2.1 * static_cast<double>(mtg) / 55.0)) - 1.0);
    target = static_cast<int64_t>(tt / spread) + inc;
    const double p = std::pow(1.6, 1.0 - spread);
    soft = static_cast<int64_t>(tt * (p + (1.0 - p) / 10.0)) + 3 * inc;
    hard = std::min(static_cast<int64_t>(tt * (p + (1.0 - p) / 7.0)) + 4 * inc, t);

    if (1.2 * static_cast<double>(soft) > static_cast<double>(hard))
        soft = static_cast<int64_t>(static_cast<double>(hard) / 1.2);
    if (soft < 2 * target) target = soft / 2;
    if (4 * target < soft) soft = 4 * target;
}

bool Zeitkontrolle_t::iterationTest(double factor, int64_t nodes, int32_t nextIteration, int64_t now) const {
    const int64_t e = elapsed(nodes, now);
    if (nextIteration > maxIteration || nodes >= nodesSoft || e >= soft) return false;
    const double ed = static_cast<double>(e);
    // A new iteration usually costs more than all before it together.
    if (2.2 * ed > static_cast<double>(soft)) return false;
    const double f = std::max(0.0, 100.0 * factor);
    return ed < ((f + 17.0) * static_cast<double>(target) - 0.025) / 30.0;
}

}  // namespace tolvaren
