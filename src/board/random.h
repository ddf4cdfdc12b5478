// The engine's one pseudo-random generator: xorshift over four words combined
// with a linear congruential word. Book draws, training steps and the random
// test searchers all take their numbers from the process-wide instance.
#pragma once

#include <cstdint>
#include <mutex>

namespace tolvaren {

class SharedRandom;

class Zufall_t {
public:
    // s = 0 seeds from the current time in seconds.
    void seed(uint32_t s);
    uint32_t next();
    uint64_t next64();
    uint32_t integer(uint32_t lo, uint32_t hi);
    double real(double a, double b);

    // The process-wide instance, created on first use and seeded from the clock.
    static SharedRandom& global();

    uint32_t d = 0, x = 0, y = 0, z = 0, w = 0;
};

// The process-wide generator: Zufall_t's operations, each one under a mutex. The book
// draws on the search thread while the trainer may step on the command thread; one
// locked sequence keeps reseeding meaningful for every user, which separate instances
// would not.
class SharedRandom {
public:
    SharedRandom() { generator_.seed(0); }
    SharedRandom(const SharedRandom&) = delete;
    SharedRandom& operator=(const SharedRandom&) = delete;

    void seed(uint32_t s) {
        std::lock_guard lock(mutex_);
        generator_.seed(s);
    }
    uint32_t next() {
        std::lock_guard lock(mutex_);
        return generator_.next();
    }
    uint64_t next64() {
        std::lock_guard lock(mutex_);
        return generator_.next64();
    }
    uint32_t integer(uint32_t lo, uint32_t hi) {
        std::lock_guard lock(mutex_);
        return generator_.integer(lo, hi);
    }
    double real(double a, double b) {
        std::lock_guard lock(mutex_);
        return generator_.real(a, b);
    }

private:
    std::mutex mutex_;
    Zufall_t generator_;
};

}  // namespace tolvaren
