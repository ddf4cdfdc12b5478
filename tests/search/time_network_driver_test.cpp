// The record the driver fills for the time network after each iteration: flags read from the
// root position, node counts from the root list, the variation and the change history.
#include "search/time_network_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "board/board_test_support.h"
#include "board/notation.h"

namespace tolvaren {
namespace {

using testing::Board;
using testing::boardFromFen;

struct Root {
    std::unique_ptr<Board> board;
    std::vector<Wurzelzug_t> list;

    explicit Root(const char* fen) : board(std::make_unique<Board>(boardFromFen(fen))) {}
    Zug_t move(const char* text) const {
        const Zug_t m = readCoordinate(board->pos, text);
        EXPECT_NE(m, 0) << text;
        return m;
    }
    void add(const char* text, uint64_t nodes) {
        Wurzelzug_t e;
        e.move = move(text);
        e.nodes = nodes;
        list.push_back(e);
    }
    Iterationsmerkmale_t describe(const std::vector<Zug_t>& pv, int32_t score,
                                  const Iterationsmerkmale_t& previous) {
        return describeIteration(board->pos, board->state, list.data(), static_cast<int>(list.size()),
                                 pv.data(), static_cast<int>(pv.size()), score, previous);
    }
};

TEST(TimeNetworkDriver, QuietBestMoveInTheStartPosition) {
    Root r("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    r.add("e2e4", 500);
    r.add("d2d4", 300);
    r.add("g1f3", 120);
    r.add("b1c3", 500);
    const Iterationsmerkmale_t none;
    const auto rec = r.describe({r.move("d2d4")}, 35, none);
    EXPECT_EQ(rec.changedNow + rec.changedBefore + rec.changedTwoAgo, 0);  // nothing to change from yet
    EXPECT_EQ(rec.inCheck + rec.captureOrSpecial, 0);
    EXPECT_EQ(rec.rootMoves, 4);
    EXPECT_EQ(rec.attackedSquares, 22);  // ranks 2 and 3 and six squares of rank 1
    EXPECT_EQ(rec.bestMoveNodes, 300u);
    EXPECT_EQ(rec.largestOtherNodes, 500u);
    EXPECT_EQ(rec.secondLargestOtherNodes, 500u);  // an equal count is the second largest
    EXPECT_EQ(rec.totalNodes, 1420u);
    EXPECT_EQ(rec.pv[0], r.move("d2d4"));
    EXPECT_EQ(rec.pv[1], 0);  // a variation shorter than four moves is padded with 0
    EXPECT_EQ(rec.score, 35);

    // The list may be a "searchmoves" subset; a best move outside it owns no nodes.
    const auto outside = r.describe({r.move("a2a3")}, 0, none);
    EXPECT_EQ(outside.bestMoveNodes, 0u);
    EXPECT_EQ(outside.largestOtherNodes, 500u);

    // The change flags shift along as the best move changes: d4, d4, then e4 again.
    const auto second = r.describe({r.move("d2d4")}, 0, outside);
    const auto third = r.describe({r.move("d2d4")}, 0, second);
    const auto fourth = r.describe({r.move("e2e4")}, 0, third);
    EXPECT_EQ(second.changedNow, 1);
    EXPECT_EQ(third.changedNow * 10 + third.changedBefore, 1);
    EXPECT_EQ(fourth.changedNow * 100 + fourth.changedBefore * 10 + fourth.changedTwoAgo, 101);
    const auto empty = r.describe({}, 0, fourth);
    EXPECT_EQ(empty.pv[0], 0);
    EXPECT_EQ(empty.changedNow, 1);
}

TEST(TimeNetworkDriver, CheckCaptureAndSpecialMoves) {
    // White in check from the bishop on b4; the a3 pawn can take it.
    Root r("4k3/8/8/8/1b6/P7/8/4K3 w - - 0 1");
    r.add("a3b4", 40);
    r.add("e1e2", 0);  // not searched this iteration
    const Iterationsmerkmale_t none;
    const Zug_t reply = makeMove(4, 11, ZugKoenig);  // e8d7; the record copies moves unchecked
    auto rec = r.describe({r.move("a3b4"), reply}, 3000, none);
    EXPECT_EQ(rec.inCheck, 1);
    EXPECT_EQ(rec.captureOrSpecial, 1);
    EXPECT_EQ(rec.totalNodes, 40u);
    EXPECT_EQ(rec.largestOtherNodes, 0u);
    EXPECT_EQ(rec.pv[1], reply);

    Root promotion("8/4P1k1/8/8/8/8/8/4K3 w - - 0 1");
    promotion.add("e7e8q", 1);
    EXPECT_EQ(promotion.describe({promotion.move("e7e8q")}, 0, none).captureOrSpecial, 1);
    Root castling("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    castling.add("e1g1", 1);
    castling.add("h1h8", 1);
    EXPECT_EQ(castling.describe({castling.move("e1g1")}, 0, none).captureOrSpecial, 1);
    const auto check = castling.describe({castling.move("h1h8")}, 0, none);
    EXPECT_EQ(check.captureOrSpecial + check.inCheck, 0);  // a checking move; the root is not in check
}

}  // namespace
}  // namespace tolvaren
