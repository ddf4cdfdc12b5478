#include "search/transposition_table.h"

#include <gtest/gtest.h>

#include <thread>
#include <tuple>

namespace tolvaren {

namespace {

constexpr uint32_t DefaultBytes = 3u << 20;

Hashdaten_t record(int32_t score, int32_t depth, int32_t run = 0, int32_t bound = Hashdaten_t::ExactBound,
                   uint32_t move = 0x1234, int32_t flags = 0) {
    return Hashdaten_t{score, depth, run, bound, move, flags};
}

// The smallest high key half whose bucket starts at slot s.
uint32_t highForSlot(const Hashtabelle_t& t, uint32_t s) {
    return static_cast<uint32_t>(((static_cast<uint64_t>(s) << 32) + t.slotCount() - 1) / t.slotCount());
}

int slotOf(const Hashtabelle_t& t, uint32_t keyLow, uint32_t keyHigh) {
    const uint64_t key = static_cast<uint64_t>(keyHigh) << 32 | keyLow;
    for (uint32_t i = 0; i < t.slotCount() + 4; ++i)
        if (t.entry(i).key.load() == key) return static_cast<int>(i);
    return -1;
}

}  // namespace

TEST(Hashtabelle, SizeAndResize) {
    Hashtabelle_t t(DefaultBytes);
    EXPECT_EQ(t.slotCount() + 4, 196608u);
    EXPECT_EQ(Hashtabelle_t(10).slotCount(), 96u);  // the smallest table
    t.store(7, 8, 0, record(3, 4));
    Hashdaten_t out;
    t.resize(DefaultBytes);  // unchanged size keeps the entries
    EXPECT_TRUE(t.probe(7, 8, 0, out));
    t.resize(4u << 20);
    EXPECT_EQ(t.slotCount() + 4, 262144u);
    EXPECT_FALSE(t.probe(7, 8, 0, out));
}

// A table no memory could be found for still answers every call.
TEST(Hashtabelle, FailedAllocationGivesUpSafely) {
    Hashtabelle_t none(1u << 20, [](std::size_t) -> void* { return nullptr; });
    EXPECT_FALSE(none.hasEntries());
    none.clear();
    none.store(1, 2, 0, record(5, 5));
    Hashdaten_t out;
    EXPECT_FALSE(none.probe(1, 2, 0, out));
    EXPECT_EQ(none.hashfull(), 0);
}

TEST(Hashtabelle, FieldsRoundTripAndNeverSpill) {
    Hashtabelle_t t(DefaultBytes);
    const Hashdaten_t cases[] = {
        record(-123, 17, 99, Hashdaten_t::LowerBound, 0xFFFF, Hashdaten_t::MateThreat),
        record(449999, 8191, 1, Hashdaten_t::UpperBound, 0x8001, 0),
        record(-500000, 0, 0, Hashdaten_t::ExactBound, 0, Hashdaten_t::MateThreat),
    };
    auto fields = [](const Hashdaten_t& d) {
        return std::tuple(d.score, d.depth, d.nullWindowRun, d.bound, d.move, d.flags);
    };
    for (const Hashdaten_t& in : cases) {
        t.store(in.depth, 99, 0, in);
        Hashdaten_t out;
        ASSERT_TRUE(t.probe(in.depth, 99, 0, out));
        EXPECT_EQ(fields(out), fields(in));
    }
    // Out-of-range values are clamped or masked instead of corrupting their neighbours.
    t.store(5, 6, 0, record(250, 9000, 200, Hashdaten_t::ExactBound | 0x8000, 0x12345, 0x1801));
    Hashdaten_t out;
    ASSERT_TRUE(t.probe(5, 6, 0, out));
    EXPECT_EQ(fields(out),
              fields(record(250, 8191, 127, Hashdaten_t::ExactBound, 0x2345, Hashdaten_t::MateThreat)));
}

// Stored at one ply and read at another, a mate score keeps its distance from the node; the
// mate range starts at 450000 exactly.
TEST(Hashtabelle, MateScoresAreKeptRelativeToTheNode) {
    Hashtabelle_t t(DefaultBytes);
    // Ply stored, score, ply read, score read.
    const int32_t cases[][4] = {
        {6, 499990, 6, 499990}, {6, 499990, 8, 499988}, {3, -450000, 5, -449998}, {9, -449999, 2, -449999}};
    uint32_t key = 10;
    for (const auto& [storedAt, score, readAt, expected] : cases) {
        t.store(++key, 12, storedAt, record(score, 5));
        Hashdaten_t out;
        ASSERT_TRUE(t.probe(key, 12, readAt, out)) << score;
        EXPECT_EQ(out.score, expected) << score << " read at ply " << readAt;
    }
}

TEST(Hashtabelle, SameKeyOverwritesWhateverTheDepth) {
    Hashtabelle_t t(DefaultBytes);
    const uint32_t high = highForSlot(t, 1000);
    t.store(42, high, 0, record(100, 20));
    t.store(43, high, 0, record(100, 20));  // the low half also identifies, but does not address
    t.store(42, high, 0, record(-7, 2));
    EXPECT_EQ(slotOf(t, 42, high), 1000);
    EXPECT_EQ(slotOf(t, 43, high), 1001);
    EXPECT_EQ(slotOf(t, 0xDEAD, high), -1);
    Hashdaten_t out;
    ASSERT_TRUE(t.probe(42, high, 0, out));
    EXPECT_EQ(out.depth, 2);
}

TEST(Hashtabelle, VictimChoice) {
    Hashtabelle_t t(DefaultBytes);
    auto fill = [&t](uint32_t slot, const Hashdaten_t(&r)[4]) {
        for (uint32_t i = 0; i < 4; ++i) t.store(i + 1, highForSlot(t, slot), 0, r[i]);
    };
    auto newcomerSlot = [&t](uint32_t slot) {
        t.store(99, highForSlot(t, slot), 0, record(0, 1));
        return slotOf(t, 99, highForSlot(t, slot)) - static_cast<int>(slot);
    };
    // Depth first, the later of equal entries.
    fill(100, {record(0, 10), record(0, 4), record(0, 4), record(0, 12)});
    EXPECT_EQ(newcomerSlot(100), 2);
    // At equal depth the upper bound goes, then the longer null-window run.
    fill(200, {record(0, 6, 0, Hashdaten_t::ExactBound), record(0, 6, 0, Hashdaten_t::UpperBound),
               record(0, 6, 0, Hashdaten_t::LowerBound), record(0, 6, 0, Hashdaten_t::ExactBound)});
    EXPECT_EQ(newcomerSlot(200), 1);
    fill(300, {record(0, 8, 2), record(0, 8, 9), record(0, 8, 1), record(0, 8, 3)});
    EXPECT_EQ(newcomerSlot(300), 1);
    // An entry of an older search goes first, unless a hit has made it current.
    fill(400, {record(0, 50), record(0, 50), record(0, 50), record(0, 50)});
    t.newSearch();
    Hashdaten_t out;
    ASSERT_TRUE(t.probe(1, highForSlot(t, 400), 0, out));
    EXPECT_EQ(t.entry(400).data.load() & 0xF, t.generation());
    EXPECT_EQ(newcomerSlot(400), 1);
}

TEST(Hashtabelle, GenerationWrapAndHashfull) {
    Hashtabelle_t t(DefaultBytes);
    const uint32_t before = t.generation();
    for (int i = 0; i < 16; ++i) t.newSearch();
    EXPECT_EQ(t.generation(), before);

    t.store(1, 2, 0, record(0, 1));
    t.clear();
    EXPECT_EQ(t.hashfull(), 0);
    // After a clear every slot is old, so one store per bucket start fills that very slot.
    for (uint32_t s = 0; s < 2004; ++s) t.store(s + 1, highForSlot(t, s), 0, record(0, 1));
    EXPECT_EQ(t.hashfull(), 1000);
    t.newSearch();
    EXPECT_EQ(t.hashfull(), 0);
}

// Lock-free sharing; the thread-sanitizer build checks that it is race-free.
TEST(Hashtabelle, ConcurrentUseReadsWholeWords) {
    Hashtabelle_t t(1600);
    auto work = [&t](uint32_t seed) {
        Hashdaten_t out;
        for (uint32_t i = 0; i < 20000; ++i) {
            const uint32_t k = (i * 2654435761u) ^ seed;
            t.store(k & 63, (k >> 6) | 0x80000000u, 0, record(k % 1000, k % 50));
            if (t.probe((k >> 3) & 63, (k >> 9) | 0x80000000u, 0, out)) {
                ASSERT_GE(out.score, 0);
                ASSERT_LT(out.score, 1000);
                ASSERT_LT(out.depth, 50);
            }
        }
    };
    std::thread a(work, 1u), b(work, 77u);
    a.join();
    b.join();
}

}  // namespace tolvaren
