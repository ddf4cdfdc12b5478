// The searcher's cache of static evaluations: it must return a value only for the very
// key it was stored under, zero keys and slot neighbours included.
#include <gtest/gtest.h>

#include <memory>

#include "search/evaluation_caches.h"

namespace tolvaren {
namespace {

TEST(EvalCache, ReturnsOnlyWhatWasStoredUnderTheKey) {
    const auto cache = std::make_unique<EvalCache>();
    int32_t value = 7;
    // A fresh cache holds nothing, not even for the key its zeroed slots carry.
    EXPECT_FALSE(cache->probe(0, value));
    EXPECT_FALSE(cache->probe(0x123456789ABCDEFULL, value));
    EXPECT_EQ(value, 7);

    cache->store(0, -250);
    ASSERT_TRUE(cache->probe(0, value));
    EXPECT_EQ(value, -250);

    // Keys sharing a slot replace each other and never answer for one another.
    const uint64_t a = 0x1111000000000005ULL, b = a + EvalCache::Size * 0x10000ULL;
    cache->store(a, 31);
    ASSERT_TRUE(cache->probe(a, value));
    EXPECT_EQ(value, 31);
    EXPECT_FALSE(cache->probe(b, value));
    cache->store(b, -4);
    EXPECT_FALSE(cache->probe(a, value));
    ASSERT_TRUE(cache->probe(b, value));
    EXPECT_EQ(value, -4);
    ASSERT_TRUE(cache->probe(0, value));  // a different slot is untouched
    EXPECT_EQ(value, -250);
}

}  // namespace
}  // namespace tolvaren
