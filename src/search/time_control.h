// The limits of one search: start time, time targets and node limits, turned
// from a "go" command into numbers the driver, the node search and the sinks read.
#pragma once

#include <cstdint>

#include "net/time_network.h"  // DefaultTimeFactor and its relatives

namespace tolvaren {

// Wall-clock milliseconds (time of day).
int64_t nowMillis();

// What a "go" asks for: values of the side to move, 0 (or false) when absent. Pondering
// is the searcher's business and has no field here. With the node clock set, times are
// node counts.
struct SearchLimits {
    int64_t time = 0;
    int64_t increment = 0;
    int64_t movestogo = 0;
    int64_t depth = 0;
    int64_t nodes = 0;
    int64_t mate = 0;
    int64_t movetime = 0;
    bool infinite = false;
    uint8_t nodeClock = 0;
};

class Zeitkontrolle_t {
   public:
    static constexpr int64_t NoTimeLimit = 0x007F0000FFFF0000LL;
    static constexpr int64_t NoNodeLimit = 0x7FFF0000FFFF0000LL;
    // What the clock rule keeps back from each increment unless "MoveOverhead" says otherwise.
    static constexpr int64_t DefaultIncrementReserve = 100;

    // Turns the limits of a "go" into the targets below, the clock read now. (Named
    // startSearch because the field start holds the clock at "go".)
    void startSearch(const SearchLimits& limits) { startSearch(limits, nowMillis()); }
    // The same with the clock reading given, so that tests are exact.
    void startSearch(const SearchLimits& limits, int64_t now);

    // May iteration nextIteration start? factor comes from the time network
    // (DefaultTimeFactor until then).
    bool iterationTest(double factor, int64_t nodes, int32_t nextIteration) const {
        return iterationTest(factor, nodes, nextIteration, nowMillis());
    }
    bool iterationTest(double factor, int64_t nodes, int32_t nextIteration, int64_t now) const;
    // Must the root stop before its next move?
    bool rootTest(int64_t nodes) const { return rootTest(nodes, nowMillis()); }
    bool rootTest(int64_t nodes, int64_t now) const { return elapsed(nodes, now) >= soft; }
    // Must the search stop at once? Runs at every node.
    bool nodeTest(int64_t nodes) const { return nodeTest(nodes, nowMillis()); }
    bool nodeTest(int64_t nodes, int64_t now) const {
        return nodes >= nodesHard || elapsed(nodes, now) >= hard;
    }
    // Is the time used up when the opponent plays the expected move?
    bool ponderhitTest(int64_t nodes) const { return ponderhitTest(nodes, nowMillis()); }
    bool ponderhitTest(int64_t nodes, int64_t now) const { return elapsed(nodes, now) >= soft; }

    int64_t elapsed(int64_t nodes, int64_t now) const { return nodeClock ? nodes : now - start; }

    int64_t start = 0;
    int64_t target = NoTimeLimit;
    int64_t soft = NoTimeLimit;
    int64_t hard = NoTimeLimit;
    int64_t nodesSoft = NoNodeLimit;
    int64_t nodesHard = NoNodeLimit;
    int32_t maxIteration = 1000;
    uint8_t nodeClock = 0;
    // Milliseconds of the increment left unused as a reserve for transmission and GUI lag.
    // Not a limit of one search: the "go" handler sets it from "MoveOverhead" before startSearch.
    int64_t incrementReserve = DefaultIncrementReserve;
};

}  // namespace tolvaren
