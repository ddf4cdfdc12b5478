#include "eval/king_terms.h"

#include <gtest/gtest.h>

#include "eval/weights.h"
#include "eval_test_support.h"

namespace tolvaren::test {
namespace {

int dangerOf(EvalBoard& b, int side) {
    return kingDanger(b.pos, b.state, b.pawnEntry(), side, 0);
}
int activityOf(EvalBoard& b, int side) {
    return kingActivity(b.pos, b.state, b.pawnEntry(), side);
}

TEST(KingSafety, Shelter) {
    // g1 behind f2/g2/h2 without castling rights: index 0, table value 1; square 81.
    EvalBoard sheltered("4k3/8/8/8/8/8/5PPP/6K1 w - - 0 1");
    EXPECT_EQ(dangerOf(sheltered, White), 81 + 1);
    // The same with the short right: both indices 0, (9 + 7) / 16 + 35 = 36.
    EvalBoard castling("4k3/8/8/8/8/8/5PPP/6KR w K - 0 1");
    EXPECT_EQ(dangerOf(castling, White), 81 + 36);
    // No shelter pawn at all: index 5 (-139); k = -58 grows by 26 * 58 * 48 / 8192 = 8.
    EvalBoard bare("4k3/8/8/8/8/8/8/6K1 w - - 0 1");
    EXPECT_EQ(dangerOf(bare, White), -66);
    // On e1 with the short right: current index 4 (-90), castled index 0 (1):
    // (9 - 630) / 16 = -38, + 35; square 7.
    EvalBoard centre("4k3/8/8/8/8/8/5PPP/4K2R w K - 0 1");
    EXPECT_EQ(dangerOf(centre, White), 7 - 38 + 35);
}

TEST(KingSafety, AttackedRingAndOpenFile) {
    // h2 is hit twice (queen h4, bishop d6) and the queen could land there with only
    // f1 left as flight: -62 - 99; shelter index 0 (+1). k = -79 grows by 17.
    EvalBoard contact("4k3/8/3b4/8/7q/8/5PPP/6K1 w - - 0 1");
    EXPECT_EQ(dangerOf(contact, White), -96);
    // Open g-file against queen and rook (-33); no pawn defended, index 5 (-139).
    // k = 81 - 33 - 139 = -91 grows by 26 * 91 * 81 / 8192 = 23.
    EvalBoard open("3qk2r/8/8/8/8/8/5P1P/6K1 w - - 0 1");
    EXPECT_EQ(dangerOf(open, White), -114);
}

TEST(KingSafety, ScalingAndDevelopment) {
    EvalBoard start("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(kingSafety(start.pos, start.state, start.pawnEntry(), 37696, 37696, 0, 0), 0);
    // A queen on d3 blocks d2 (-40) and has come out before four minor pieces (-4 * 42).
    EvalBoard early("rnbqkbnr/pppppppp/8/8/8/3Q4/PPPPPPPP/RNB1KBNR w KQkq - 0 1");
    EXPECT_EQ(kingSafety(early.pos, early.state, early.pawnEntry(), 37696, 37696, 0, 0), -40 - 168);
    // Each side's danger is scaled by its own material: 20 * k * f(M) / 1024.
    // The start position's danger is 43: 20 * 43 * ((37696 - 5000) / 256) / 1024 = 106.
    EXPECT_EQ(dangerOf(start, White), 43);
    EXPECT_EQ(kingSafety(start.pos, start.state, start.pawnEntry(), 37696, 5000, 0, 0), 106);
}

TEST(KingEndgame, CorneredKing) {
    // h1 with every neighbour covered: edge -153, reach n = 0 (-148), no move in a
    // king-and-pawn ending -300, and the square in front of g3 out of reach -76.
    EvalBoard b("8/8/8/8/8/6p1/5k2/7K w - - 0 1");
    EXPECT_EQ(activityOf(b, White), -153 - 148 - 300 - 76);
    EvalBoard other("8/8/8/8/8/6p1/5k2/7K b - - 0 1");
    EXPECT_EQ(activityOf(other, White), -153 - 148 - 76);
}

TEST(KingEndgame, RunawayPasser) {
    // a6 runs; the Black king on h1 is outside its region and a queen on a8 checks it.
    EvalBoard b("8/8/P7/8/8/8/8/4K2k w - - 0 1");
    // White: reach 24 squares (0), front a7 out of reach -76, runaway 284 + 247 + 4 * 101.
    EXPECT_EQ(activityOf(b, White), -76 + 284 + 247 + 404);
    // Black: reach 12 squares (-2), a7 out of reach -76.
    EXPECT_EQ(activityOf(b, Black), -2 - 76);
    // Centralisation 252 - 129, one passer more 253.
    EXPECT_EQ(kingEndgame(b.pos, b.state, b.pawnEntry()), 123 + 253 + 859 + 78);
    EvalBoard blackToMove("8/8/P7/8/8/8/8/4K2k b - - 0 1");
    EXPECT_EQ(kingEndgame(blackToMove.pos, blackToMove.state, blackToMove.pawnEntry()), 1313 - (284 - 169));
    // With the king on g1 there is no queen check from a8 (and covering f1/f2 it cuts
    // White's reach to 20 squares, -1).
    EvalBoard noCheck("8/8/P7/8/8/8/8/4K1k1 w - - 0 1");
    EXPECT_EQ(activityOf(noCheck, White), -1 - 76 + 284 + 404);
}

}  // namespace
}  // namespace tolvaren::test
