// Doubly attacked squares, whatever the order of the square lists, which moves shuffle.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board/board_test_support.h"
#include "eval_test_support.h"

namespace tolvaren::test {
namespace {

void expectSameRecords(const Zustand_t& a, const Zustand_t& b, const std::string& what) {
    for (int side : {White, Black}) {
        EXPECT_EQ(a.by(side).attacked, b.by(side).attacked) << what;
        EXPECT_EQ(a.by(side).attackedTwice, b.by(side).attackedTwice) << what;
        EXPECT_EQ(a.by(side).threats, b.by(side).threats) << what;
        EXPECT_EQ(a.by(side).pinned, b.by(side).pinned) << what;
    }
}

TEST(AttackSummaryOrder, RookBatteryCountsTwice) {
    // Black rooks d8 and d6, king g8. Squares reached by two pieces directly: d7 (both
    // rooks) and f8 (rook d8 and king). The d8 rook's x-ray through d6 adds d5-d1,
    // which d6 attacks too. White: bishop e3 and king g1 share only f2.
    const Board b = boardFromFen("3r2k1/8/3r4/8/8/4B3/8/6K1 w - - 0 1");
    EXPECT_EQ(b.state.by(Black).attackedTwice, at({"d7", "f8", "d5", "d4", "d3", "d2", "d1"}));
    EXPECT_EQ(b.state.by(White).attackedTwice, at({"f2"}));
}

TEST(AttackSummaryOrder, ReversedSquareListsGiveTheSameRecords) {
    // Batteries of every kind: doubled rooks, rook behind queen and queen behind rook,
    // bishop behind queen and queen behind bishop, three sliders on one line.
    const std::vector<std::string> fens = {
        "3r2k1/8/3r4/8/8/4B3/8/6K1 w - - 0 1",
        "r1q1r1k1/pp3ppp/2nb1n2/3p4/3P4/2NBQN2/PP3PPP/R3R1K1 w - - 0 1",
        "2r3k1/2q2ppp/2r5/8/6B1/5Q2/4B1PP/2R1R1K1 b - - 0 1",
        "3k4/8/8/3rq3/8/8/3R4/B2QK3 w - - 0 1",
    };
    for (const std::string& fen : fens) {
        Board board = boardFromFen(fen);
        Board reversed = board;
        for (Seite_t& side : reversed.pos.sides)
            for (int type = Knight; type <= Queen; ++type)
                std::reverse(side.squares(type), side.squares(type) + side.count[type]);
        computeAttacks(reversed.pos, reversed.state);
        expectSameRecords(board.state, reversed.state, fen);
    }
}

}  // namespace
}  // namespace tolvaren::test
