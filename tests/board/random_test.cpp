#include "board/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <tuple>
#include <vector>

namespace tolvaren {

TEST(Zufall, SeedOneGivesKnownStateAndNext64IsTwoStepsLowFirst) {
    Zufall_t r;
    r.seed(1);
    EXPECT_EQ(std::tuple(r.d, r.x, r.y, r.z, r.w),
              std::tuple(2653880483u, 2357193297u, 3610565408u, 3151666924u, 3614669225u));
    Zufall_t copy = r;
    const uint64_t lo = copy.next(), hi = copy.next();
    EXPECT_EQ(r.next64(), lo | (hi << 32));
}

// Two threads drawing at once take disjoint parts of the one sequence: no value lost
// or drawn twice, as the book draw and the trainer need.
TEST(Zufall, SharedInstanceDrawsAreWholeSteps) {
    constexpr int PerThread = 20000;
    Zufall_t::global().seed(31337);
    std::vector<uint32_t> a(PerThread), b(PerThread);
    std::thread other([&b] {
        for (uint32_t& v : b) v = Zufall_t::global().next();
    });
    for (uint32_t& v : a) v = Zufall_t::global().next();
    other.join();

    Zufall_t reference;
    reference.seed(31337);
    std::vector<uint32_t> expected(2 * PerThread);
    for (uint32_t& v : expected) v = reference.next();
    a.insert(a.end(), b.begin(), b.end());
    std::sort(a.begin(), a.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(a, expected);
}

}  // namespace tolvaren
