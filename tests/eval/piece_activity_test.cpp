#include <gtest/gtest.h>

#include "eval/piece_activity.h"
#include "eval/weights.h"
#include "eval_test_support.h"

namespace tolvaren::test {
namespace {

Wert_t mobilityOf(EvalBoard& b, int side, int* weight = nullptr) {
    int w = 0;
    const Wert_t m = mobility(b.pos, b.state, side, w);
    if (weight) *weight = w;
    return m;
}

Wert_t piecesOf(EvalBoard& b, int side) { return pieceTermsOfSide(b.pos, b.state, b.pawnEntry(), side); }

TEST(Mobility, WeightedAndPlainCounts) {
    // All eight knight targets from d4: weighted count 12, plus the d4 square entry.
    EvalBoard knight("4k3/8/8/8/3N4/8/8/4K3 w - - 0 1");
    EXPECT_EQ(mobilityOf(knight, White), makeScore(299 + 12, 180 - 1));

    // The bishop's only free square, g2, is covered by an enemy pawn.
    EvalBoard bishop("4k3/8/8/8/8/5P1p/8/4K2B w - - 0 1");
    EXPECT_EQ(mobilityOf(bishop, White), makeScore(-264, -168));

    // With a castling right the squares next to the corner do not count for rooks.
    EvalBoard rights("4k3/8/8/8/8/P7/8/R1K5 w Q - 0 1");
    EvalBoard noRights("4k3/8/8/8/8/P7/8/R1K5 w - - 0 1");
    EXPECT_EQ(mobilityOf(rights, White), makeScore(-360, -296));
    EXPECT_EQ(mobilityOf(noRights, White), makeScore(-105, -87));

    // Rooks look through their own pieces other than pawns and the king.
    // a1: a2-a8, b1, c1, e1, f1 (d1 seen through) = 11; d1: d2-d6 (d7 and d8 are the
    // king's), c1, b1, e1, f1 = 9.
    EvalBoard battery("4k3/8/8/8/8/8/8/R2R2K1 w - - 0 1");
    EXPECT_EQ(mobilityOf(battery, White), RookMobility[11] + RookMobility[9]);
}

TEST(Mobility, KingAttackWeights) {
    // Pawn g6 hits f7/h7 (56); the knight reaches f7, which White covers twice (26).
    EvalBoard b("6k1/7r/6P1/6N1/8/8/8/4K3 w - - 0 1");
    int weight = 0;
    mobilityOf(b, White, &weight);
    EXPECT_EQ(weight, 56 + 26);
    int none = 0;
    mobilityOf(b, Black, &none);
    EXPECT_EQ(none, 0);
}

TEST(PieceTerms, SeventhRankOnceAndPasserSupport) {
    EvalBoard one("4k3/R7/8/8/8/8/8/4K3 w - - 0 1");
    EvalBoard two("4k3/RR6/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(one, White), makeScore(136, 44 + 88));
    EXPECT_EQ(piecesOf(two, White), makeScore(136, 44 + 88));
    EvalBoard withPawn("3k4/R6p/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(egOf(piecesOf(withPawn, White)), 66 + 88);

    // e6 defended by d5; nothing controls e7.
    EvalBoard passers("k7/8/4P3/3P4/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(passers, White), makeScore(41, 45));
    // The king on e7 blocks e6 and attacks d6, the square in front of d5.
    EvalBoard blockaded("8/4k3/4P3/3P4/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(blockaded, White), makeScore(41 - 92 - 4, 45 - 99 - 5));
}

TEST(PieceTerms, BishopsKingAndPins) {
    // Lone bishop on c1 (dark) with pawns b2 and d2 (dark).
    EvalBoard bad("4k3/8/8/8/8/8/1P1P4/2B1K3 w - - 0 1");
    EXPECT_EQ(piecesOf(bad, White), makeScore(2 * 5 - 2 * 10, 2 * 23 - 2 * 46));

    // A bishop on a7 shut in by b6, which c7 covers.
    EvalBoard trapped("4k3/B1p5/1p6/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(trapped, White), TrappedBishop);
    EvalBoard threatened("4k3/Bpp5/8/8/8/8/8/4K3 b - - 0 1");
    EvalBoard notYet("4k3/Bpp5/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(threatened, White), TrappedBishop);
    EXPECT_EQ(piecesOf(notYet, White), 0);
    // a5 can break the trap (it hangs itself, and stands on the bishop's colour).
    EvalBoard freed("4k3/B1p5/1p6/P7/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(freed, White), BadBishopPerPawn + BadBishopSameColourPawn - HangingPieces[1]);

    // No pawn cover against a queen.
    EvalBoard bare("3qk3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(bare, White), BareKingAgainstQueen);
    EvalBoard covered("3qk3/8/8/8/8/8/3PPP2/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(covered, White), 0);

    // The rook on e7 pins the knight on e2.
    EvalBoard pin("4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(pin, Black), PinnedPiece);
}

TEST(PieceTerms, HangingPieces) {
    // Rook a6 and bishop g5 attacked and undefended (the knight b5 is not attacked);
    // no pawn shields the king from the queen.
    EvalBoard b("4k3/1p6/R4q2/1N4B1/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(piecesOf(b, White), BareKingAgainstQueen - HangingPieces[2]);
    // A defended piece hit by a cheaper one still hangs: the rook on d4 by the pawn on e5.
    EvalBoard threat("4k3/8/8/4p3/3R4/8/8/3K4 w - - 0 1");
    EXPECT_EQ(piecesOf(threat, White), -HangingPieces[1]);
}

}  // namespace
}  // namespace tolvaren::test
