// The engine's one pseudo-random generator: xorshift over four words combined
// with a linear congruential word. Book draws, training steps and the random
// test searchers all take their numbers from the process-wide instance.
#pragma once

#include <cstdint>

namespace tolvaren {

class Zufall_t {
public:
    // s = 0 seeds from the current time in seconds.
    void seed(uint32_t s);
    uint32_t next();
    uint64_t next64();
    uint32_t integer(uint32_t lo, uint32_t hi);
    double real(double a, double b);

    // The process-wide instance, created on first use and seeded from the clock.
    static Zufall_t& global();

    uint32_t d = 0, x = 0, y = 0, z = 0, w = 0;
};

}  // namespace tolvaren
