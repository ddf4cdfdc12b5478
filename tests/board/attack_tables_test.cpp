#include "board/attack_tables.h"

#include <gtest/gtest.h>

namespace tolvaren {
namespace {

Bitboard slowSlider(int square, Bitboard occupancy, bool diagonal) {
    Bitboard result = 0;
    const int steps[2][4][2] = {{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}, {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}}};
    for (const auto& s : steps[diagonal]) {
        for (int f = fileOf(square) + s[0], r = (square >> 3) + s[1]; f >= 0 && f < 8 && r >= 0 && r < 8;
             f += s[0], r += s[1]) {
            result |= bit(8 * r + f);
            if (occupancy & bit(8 * r + f)) break;
        }
    }
    return result;
}

// Every subset of every relevance mask, plus outside bits, must give the traced attacks:
// this is what proves the committed multipliers.
TEST(AttackTables, SliderAttacksMatchTracedRaysForEveryOccupancy) {
    for (int sq = 0; sq < 64; ++sq) {
        for (const bool diagonal : {false, true}) {
            const Bitboard mask = diagonal ? attackTables.bishop[sq].mask : attackTables.rook[sq].mask;
            Bitboard subset = 0;
            do {
                const Bitboard occ = subset | (~mask & 0x8142241818244281ULL);
                const Bitboard got = diagonal ? bishopAttacks(sq, occ) : rookAttacks(sq, occ);
                ASSERT_EQ(got, slowSlider(sq, occ, diagonal)) << sq << " " << diagonal;
                subset = (subset - mask) & mask;
            } while (subset);
        }
    }
}

TEST(AttackTables, StepSetsBetweenLinesAndRays) {
    EXPECT_EQ(popCount(knightAttacks(0)), 2);   // a8
    EXPECT_EQ(popCount(knightAttacks(27)), 8);  // d5
    EXPECT_EQ(kingAttacks(63), bit(62) | bit(55) | bit(54));
    EXPECT_EQ(pawnCaptures(White, 52), bit(43) | bit(45));  // e2 attacks d3, f3
    EXPECT_EQ(pawnCaptures(Black, 8), bit(17));             // a7 attacks b6 only
    EXPECT_EQ(between(56, 63), 0x7EULL << 56);              // a1..h1
    EXPECT_EQ(between(0, 63), 0x0040201008040200ULL);       // the long diagonal
    EXPECT_EQ(between(0, 10), 0u);                          // a8, c7 not aligned
    EXPECT_EQ(lineThrough(9, 18), lineThrough(0, 63));
    EXPECT_EQ(lineThrough(0, 10), 0u);
    EXPECT_EQ(ray(60, North), FileA << 4 & ~bit(60));
    EXPECT_EQ(ray(60, West), bit(56) | bit(57) | bit(58) | bit(59));
}

TEST(AttackTables, CountAndScanTables) {
    for (const Bitboard b : {0x1ULL, 0x8000000000000000ULL, 0xF0F0F0F0F0F0F0F0ULL, 0x0123456789ABCDEFULL}) {
        EXPECT_EQ(popCountByTable(b), popCount(b));
        EXPECT_EQ(lowestSquareByTable(b), lowestSquare(b));
    }
    for (int sq = 0; sq < 64; ++sq) EXPECT_EQ(lowestSquareByTable(bit(sq) | bit(63)), sq);
    EXPECT_EQ(attackTables.lsbByte[0x50], 4);
}

}  // namespace
}  // namespace tolvaren
