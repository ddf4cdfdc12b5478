// The doubly attacked squares must not depend on the order of the square lists, which
// moves shuffle: the same position reached by different move orders, set from FEN, or
// with its lists reversed must give the same summaries and the same evaluation.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "board/board_test_support.h"
#include "eval/evaluate.h"
#include "eval/score.h"
#include "eval_test_support.h"

namespace tolvaren::testing {
namespace {

void expectSameRecords(const Zustand_t& a, const Zustand_t& b, const std::string& what) {
    for (int side : {White, Black}) {
        EXPECT_EQ(a.by(side).attacked, b.by(side).attacked) << what;
        EXPECT_EQ(a.by(side).attackedTwice, b.by(side).attackedTwice) << what;
        EXPECT_EQ(a.by(side).threats, b.by(side).threats) << what;
        EXPECT_EQ(a.by(side).pinned, b.by(side).pinned) << what;
    }
}

void expectSameTerms(const EvalTrace& a, const EvalTrace& b) {
    for (int side : {White, Black}) {
        EXPECT_EQ(a.mobility[side], b.mobility[side]);
        EXPECT_EQ(a.pieces[side], b.pieces[side]);
        EXPECT_EQ(a.kingAttackWeight[side], b.kingAttackWeight[side]);
    }
    EXPECT_EQ(a.kingSafety, b.kingSafety);
    EXPECT_EQ(a.total, b.total);
}

TEST(AttackSummaryOrder, RookBatteryCountsTwiceWhicheverRookIsListedFirst) {
    // Black rooks d8 and d6, king g8. Squares reached by two pieces directly: d7 (both
    // rooks) and f8 (rook d8 and king). The d8 rook's x-ray through d6 adds d5-d1,
    // which d6 attacks too. White: bishop e3 and king g1 share only f2.
    const std::string fen = "3r2k1/8/3r4/8/8/4B3/8/6K1 w - - 0 1";
    EvalBoard fromFen(fen);
    EXPECT_EQ(fromFen.state.by(Black).attackedTwice, at({"d7", "f8", "d5", "d4", "d3", "d2", "d1"}));
    EXPECT_EQ(fromFen.state.by(White).attackedTwice, at({"f2"}));

    // The same position with the rooks listed the other way round (d6 first).
    EvalBoard played("6k1/8/7r/r7/8/4B3/8/6K1 b - - 0 1");
    for (const char* text : {"h6d6", "g1h1", "a5a8", "h1g1", "a8d8"}) {
        const Zug_t move = readCoordinate(played.pos, text);
        ASSERT_NE(move, 0) << text;
        Zustand_t next{};
        ASSERT_TRUE(playPermanent(played.pos, move, played.state, next)) << text;
        played.state = next;
    }
    ASSERT_EQ(fenOf(played.pos).substr(0, 27), fen.substr(0, 27));        // board and side to move
    ASSERT_EQ(played.pos.sides[Black].squares(Rook)[0], squareOf(3, 6));  // d6 listed first
    expectSameRecords(fromFen.state, played.state, "played");
    expectSameTerms(fromFen.trace(), played.trace());
}

TEST(AttackSummaryOrder, ReversedSquareListsGiveTheSameRecords) {
    // Batteries of every kind: doubled rooks, rook behind queen and queen behind rook,
    // bishop behind queen and queen behind bishop, three sliders on one line.
    const std::vector<std::string> fens = {
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
}  // namespace tolvaren::testing
