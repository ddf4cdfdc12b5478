// The block cache: sizing, eviction, and probes of both colours.
#include "bitbase/bitbase_cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "bitbase_test_support.h"
#include "board/bitboard.h"

namespace tolvaren {

namespace {

using test::generateQuietly;
using test::ScratchDirectory;

// Queen and king on the board, side 0's pieces first; squares a8 = 0.
struct Probe {
    int types0[7], types1[7];
    int squares0[6], squares1[6];
    int side, ep;
    bool in(BitbaseCache_t& cache, int& result, bool cachedOnly = false) const {
        return cache.probe(types0, types1, squares0, squares1, side, ep, cachedOnly, result);
    }
};

constexpr int A1 = 56, C2 = 50, H8 = 7;

}  // namespace

TEST(BitbaseCache, SizingAndMemorySplit) {
    BitbaseCache_t small(1000);
    // Below the minimum the minimum; the eviction test below relies on 3 slots in 2 buckets.
    EXPECT_EQ(std::vector<uint32_t>({small.size(), small.slotCount(), small.bucketCount()}),
              std::vector<uint32_t>({1632, 3, 2}));
    EXPECT_EQ(small.pieceLimit(), 6);

    const BitbaseCacheSizes one = splitBitbaseMemory(1 << 20, 1), two = splitBitbaseMemory(16 << 20, 2);
    EXPECT_EQ(std::vector<uint32_t>({one.shared, one.perThread, two.shared, two.perThread}),
              std::vector<uint32_t>({1632, 1046944, 14694626, 1041295}));
    // Above four threads the split is that of four.
    EXPECT_EQ(splitBitbaseMemory(64 << 20, 9).perThread, splitBitbaseMemory(64 << 20, 4).perThread);
}

TEST(BitbaseCache, ProbesBothColours) {
    ScratchDirectory dir;
    ASSERT_TRUE(generateQuietly(dir.path(), {"KDK", "KKD"}));

    // White Ka1 Qc2, Black Kh8, White to move: won.
    const Probe won{{King, Queen, 0}, {King, 0}, {A1, C2}, {H8}, 0, -1};
    BitbaseCache_t cache(1 << 20);
    cache.setPath(dir.path());
    int result = 5;
    ASSERT_TRUE(won.in(cache, result));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(cache.hits(), 1u);

    // The same board with colours exchanged: the bare king is side 0, KKD says no win,
    // KDK then says the other side wins.
    const Probe exchanged{{King, 0}, {King, Queen, 0}, {H8 ^ 56}, {A1 ^ 56, C2 ^ 56}, 1, 0};
    ASSERT_TRUE(exchanged.in(cache, result));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(cache.hits(), 2u);
    // Already cached: answers without reading.
    EXPECT_TRUE(exchanged.in(cache, result, true));

    // Without KKD.abb the exchanged probe is unknown.
    std::filesystem::remove(dir.path("KKD.abb"));
    BitbaseCache_t fresh(1 << 20);
    fresh.setPath(dir.path());
    EXPECT_FALSE(exchanged.in(fresh, result));
    EXPECT_EQ(fresh.hits(), 0u);
    EXPECT_EQ(fresh.pieceLimit(), 2);  // KKD has three pieces
}

TEST(BitbaseCache, EvictsTheOldestChainTailAndServesOthersUnderItsLock) {
    ScratchDirectory dir;
    ASSERT_TRUE(generateQuietly(dir.path(), {"KDK"}));
    // Three slots, two buckets; block k of KDK lands in bucket k & 1.
    BitbaseCache_t cache(1000);
    cache.setPath(dir.path());
    auto cached = [&](uint64_t block) { return cache.lookupBit("KDK", block * 4096, true) >= 0; };
    ASSERT_GE(cache.lookupBit("KDK", 0 * 4096, false), 0);
    ASSERT_GE(cache.lookupBit("KDK", 2 * 4096, false), 0);
    ASSERT_GE(cache.lookupBit("KDK", 1 * 4096, false), 0);
    ASSERT_TRUE(cached(0));  // block 0 is now the newest and heads its chain
    ASSERT_GE(cache.lookupBit("KDK", 4 * 4096, false), 0);
    EXPECT_FALSE(cached(2));  // the oldest tail went
    EXPECT_TRUE(cached(0) && cached(1) && cached(4));

    // Two caches over one shared, locked cache read the same bits.
    BitbaseCacheMitSperre_t shared(1 << 20);
    shared.setPath(dir.path());
    BitbaseCache_t first(1 << 20, &shared), second(1 << 20, &shared);
    for (uint64_t index = 0; index < 81920; index += 997)
        ASSERT_EQ(first.lookupBit("KDK", index, false), second.lookupBit("KDK", index, false));
    EXPECT_EQ(first.lookupBit("KDK", 5, true), cache.lookupBit("KDK", 5, false));
}

}  // namespace tolvaren
