// The limits of one search: start time, time targets and node limits, turned
// from a "go" command into numbers the driver, the node search and the sinks read.
#pragma once

#include <cstdint>

namespace tolvaren {

// Wall-clock milliseconds (time of day).
int64_t nowMillis();

class Zeitkontrolle_t {
public:
    static constexpr int64_t NoTimeLimit = 0x007F0000FFFF0000LL;
    static constexpr int64_t NoNodeLimit = 0x7FFF0000FFFF0000LL;

    int64_t start = 0;
    int64_t target = NoTimeLimit;
    int64_t soft = NoTimeLimit;
    int64_t hard = NoTimeLimit;
    int64_t nodesSoft = NoNodeLimit;
    int64_t nodesHard = NoNodeLimit;
    int32_t maxIteration = 1000;
    uint8_t nodeClock = 0;
};

}  // namespace tolvaren
