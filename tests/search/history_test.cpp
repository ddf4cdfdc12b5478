// History growth and rescaling, and the killer rule.
#include <gtest/gtest.h>

#include <memory>

#include "board/move.h"
#include "search/history.h"
#include "search/ply_record.h"

namespace tolvaren {

namespace {

constexpr Zug_t KnightF3 = makeMove(62, 45, ZugSpringer);  // g1f3
constexpr Zug_t PawnE4 = makeMove(52, 36, ZugBauer);       // e2e4

}  // namespace

TEST(History, IncrementGrowsEveryFewCutoffsAndCeilingFollowsTheCounter) {
    Historie_t h;
    h.reward(KnightF3, 0);  // accumulator 2: no growth yet
    EXPECT_EQ(h.counters[Historie_t::index(KnightF3)], 0x10000u);
    EXPECT_EQ(h.increment, 0x10000u);
    h.reward(KnightF3, 0);  // accumulator 4 > 3: grows by 1/32 before adding
    EXPECT_EQ(h.increment, 0x10800u);
    EXPECT_EQ(h.counters[Historie_t::index(KnightF3)], 0x20800u);
    EXPECT_EQ(h.ceiling, 0x40000u);
    EXPECT_EQ(h.shift, 2);
    // Read through the shift, the key part stays within 0..511.
    EXPECT_EQ(h.component(KnightF3), (0x20800u >> 2) >> 7);
    EXPECT_EQ(h.component(PawnE4), 0u);
}

TEST(History, PassingTheLimitDividesEveryCounterBy2048) {
    auto h = std::make_unique<Historie_t>();
    h->counters[Historie_t::index(PawnE4)] = 0x12345678;
    h->counters[Historie_t::index(KnightF3)] = 0x3C000000 - 0x8000;
    h->ceiling = 0x40000000;
    h->shift = 14;
    h->increment = 0x10000;
    h->accumulator = 0;
    h->reward(KnightF3, 0);
    EXPECT_EQ(h->counters[Historie_t::index(KnightF3)], (0x3C000000u + 0x8000u) >> 11);
    EXPECT_EQ(h->counters[Historie_t::index(PawnE4)], 0x12345678u >> 11);
    EXPECT_EQ(h->increment, 32u);  // 0x10000 >> 11 is 32 exactly, the floor
    EXPECT_EQ(h->ceiling, 0x40000000u >> 11);
    EXPECT_EQ(h->shift, 3);
    // The relative order of the two moves is kept.
    EXPECT_GT(h->component(KnightF3), h->component(PawnE4));
}

TEST(Killers, CornerLastMoveSquareAndEnPassantNeverBecomeKillers) {
    auto records = std::make_unique<Suchebene_t[]>(3);
    Suchebene_t& rec = records[1];
    records[0].move = makeMove(12, 28, ZugBauer);  // the opponent's e7e5

    updateKillers(rec, makeMove(15, 7, ZugTurm));  // to h8
    updateKillers(rec, makeMove(36, 28, ZugSpringer));  // onto e5, found as a recapture anyway
    updateKillers(rec, makeMove(27, 20, ZugEnPassant));
    EXPECT_EQ(rec.killer1, 0u);

    updateKillers(rec, KnightF3);
    updateKillers(rec, PawnE4);
    updateKillers(rec, PawnE4);  // the first killer again changes nothing
    EXPECT_EQ(rec.killer1, PawnE4);
    EXPECT_EQ(rec.killer2, KnightF3);
}

}  // namespace tolvaren
