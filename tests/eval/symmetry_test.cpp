#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "board/board_test_support.h"
#include "eval/evaluate.h"
#include "eval_test_support.h"

namespace tolvaren::test {
namespace {

// The scores of a position and of its colour flip, each from the side to move's view.
std::pair<int, int> bothWays(const Stellung_t& pos, const Zustand_t& state) {
    static Stellung_t flipped;
    Zustand_t flippedState;
    flipColors(pos, flipped);
    computeState(flipped, flippedState);
    EvalTrace a{}, b{};
    static EvalBoard tables("8/8/8/8/8/8/8/K6k w - - 0 1");  // only its caches are used
    return {evaluateTraced(pos, state, *tables.material, *tables.pawns, a),
            evaluateTraced(flipped, flippedState, *tables.material, *tables.pawns, b)};
}

// Random legal games from hand-picked positions (each checked at its first ply) and from
// the standard and Chess960 starts; every position reached is checked.
TEST(EvaluationSymmetry, HandWrittenPositionsAndRandomGames) {
    const std::vector<std::string> fens = {
        "r3k2r/ppp1qppp/2np1n2/2b1p1B1/2B1P1b1/2NP1N2/PPP1QPPP/R3K2R w KQkq - 0 1",
        "4k3/8/8/3b4/8/8/4P3/4K1B1 w - - 0 1",  // opposite bishops
        "8/5k2/P7/8/8/8/5K2/8 w - - 0 1",       // runaway passer
        "8/1p3k2/P7/2P5/8/8/5K2/8 b - - 0 1",
        "r1bqk2r/pppp1ppp/2n2n2/4p3/1bB1P3/2N2N2/PPPP1PPP/R1BQK2R w KQkq - 0 1",  // pin
        "4k3/1B6/1p6/8/8/8/8/4K3 b - - 0 1",                                      // bishop in the corner
        "1r4k1/1P3ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
        "2r3k1/p4ppp/1p6/3P4/8/8/PP3PPP/2R3K1 w - - 0 1",
        "3qk3/8/8/8/8/8/8/4K3 w - - 0 1",
        "r3k3/1P6/8/8/8/8/6p1/4K2R w Kq - 0 1",
        // Endings reach the endgame king term, pawn races and the scaling rules sooner.
        "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1",
        "2b1k3/pp3ppp/8/8/8/8/PP3PPP/4KB2 w - - 0 1",
        "r3k3/pp3ppp/3b4/8/8/5B2/PP3PPP/R3K3 w - - 0 1",
        "4k3/2p2pp1/8/1P6/8/8/5PP1/4K3 b - - 0 1",
    };
    int checked = 0;
    playRandomGames(
        0x243F6A8885A308D3ULL, 110, 160,
        [&](Board& b, const std::vector<Zug_t>&) {
            ++checked;
            const auto [v, w] = bothWays(b.pos, b.state);
            EXPECT_EQ(v, w) << fenOf(b.pos);
        },
        fens);
    EXPECT_GT(checked, 5000);
}

}  // namespace
}  // namespace tolvaren::test
