// Facts about a move read before making it must equal what the child's attack records
// say: the searches prune on them without making the move.
#include "search/unmade_move.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/board_test_support.h"
#include "board/make_move.h"
#include "search/move_step.h"
#include "search/move_tests.h"

namespace tolvaren {
namespace {

// Middlegames with many pieces of both kinds, two bishops against one, unequal rooks,
// and pins, so that every threat rule and discovered checks come up.
const std::vector<std::string> Positions = {
    "r1bqk2r/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R1BQKB1R w KQkq - 0 1",
    "2rq1rk1/pb1nbppp/1p2pn2/8/2PP4/P1N2NP1/1B1Q1PBP/R3R1K1 b - - 0 1",
    "r2q1rk1/1b2bppp/p3pn2/1p6/3B4/P1N1PQ2/1P3PPP/R4RK1 w - - 0 1",
    "4k3/8/8/1b6/4n3/8/3B4/R2BK2R w - - 0 1",
    "3r2k1/p4ppp/1p6/2b5/8/1P3N2/PB3PPP/3R2K1 w - - 0 1",
};

TEST(UnmadeMove, FactsEqualTheChildsRecords) {
    int checks = 0, threatened = 0, covered = 0, defended = 0, captures = 0;
    test::playRandomGames(
        4242, 60, 120,
        [&](test::Board& b, const std::vector<Zug_t>& moves) {
            if (inCheck(b.pos, b.state)) return;
            const int us = b.pos.side, them = us ^ 1;
            for (const Zug_t move : moves) {
                if (moveKind(move) > ZugKoenig) continue;
                const UnmadeMove m(b.pos, b.state, move);
                Zustand_t after;
                Rueckzug_t undo;
                ASSERT_TRUE(playMove(b.pos, move, b.state, after, undo));
                const Bitboard target = bit(moveTo(move));
                const int captured = undo.capturedType;
                const bool check = (after.by(us).attacked & b.pos.sides[them].pieces[King]) != 0;
                const bool cover = (after.by(them).attacked & target) != 0;
                const bool defence = (after.by(us).attacked & target) != 0;
                const bool threat = (after.by(them).threats & target) != 0;
                const bool safe = isSafeSquare(after, us, them, target);
                takeBack(undo);
                const std::string where = test::fenOf(b.pos) + " " + std::to_string(move);
                ASSERT_EQ(m.capturedType(), captured) << where;
                ASSERT_EQ(m.givesCheck(), check) << where;
                ASSERT_EQ(m.opponentCoversTarget(), cover) << where;
                ASSERT_EQ(m.defendedAfter(), defence) << where;
                if (!captured) {
                    ASSERT_EQ(m.threatenedAfter(), threat) << where;
                    ASSERT_EQ(m.safe(), safe) << where;
                }
                checks += check;
                threatened += threat && !captured;
                covered += cover;
                defended += defence;
                captures += captured != 0;
            }
        },
        Positions);
    EXPECT_GT(checks, 100);
    EXPECT_GT(threatened, 100);
    EXPECT_GT(covered, 1000);
    EXPECT_GT(defended, 1000);
    EXPECT_GT(captures, 1000);
}

// The futility decision taken before the make prunes exactly the moves planMove prunes
// after it, in windows far below the evaluation at the depths where futility applies.
TEST(UnmadeMove, PrunesWhatPlanMovePrunesOnceMade) {
    int pruned = 0;
    test::playRandomGames(
        99, 40, 100,
        [&](test::Board& b, const std::vector<Zug_t>& moves) {
            StepNode node;
            node.state = &b.state;
            node.us = b.pos.side;
            node.them = b.pos.side ^ 1;
            node.enemyKing = bit(b.pos.sides[node.them].kingSquare());
            node.inCheck = inCheck(b.pos, b.state);
            node.staticEval = -6000;
            for (const int depth : {1, 3}) {
                node.depth = depth;
                for (const Zug_t move : moves) {
                    const bool early = prunedUnmade(b.pos, node, move, 0, 1, 1);
                    Zustand_t after;
                    Rueckzug_t undo;
                    ASSERT_TRUE(playMove(b.pos, move, b.state, after, undo));
                    const MoveStep step = planMove(b.pos, node,
                                                   {.move = move,
                                                    .captured = undo.capturedType,
                                                    .after = &after,
                                                    .tried = 2,
                                                    .alpha = 0,
                                                    .betaPrime = 1,
                                                    .searched = 1});
                    takeBack(undo);
                    // In check the node search makes every move; there only the made plan counts.
                    if (!node.inCheck) {
                        ASSERT_EQ(early, step.prune) << test::fenOf(b.pos) << " " << move;
                    }
                    ASSERT_TRUE(!early || step.prune);
                    pruned += early;
                }
            }
        },
        Positions);
    EXPECT_GT(pruned, 1000);
}

}  // namespace
}  // namespace tolvaren
