// Time control: the limits a "go" sets and the stop tests; and the record the driver fills
// for the time network after each iteration.
#include "search/time_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <tuple>
#include <vector>

#include "board/board_test_support.h"
#include "board/notation.h"
#include "search/time_bookkeeping.h"

namespace tolvaren {

namespace {

constexpr int64_t T0 = 1000000;  // an arbitrary clock reading at "go"
constexpr int64_t Max = std::numeric_limits<int64_t>::max();
constexpr int64_t NoTime = Zeitkontrolle_t::NoTimeLimit;
constexpr int64_t NoNodes = Zeitkontrolle_t::NoNodeLimit;

Zeitkontrolle_t started(const SearchLimits& g) {
    Zeitkontrolle_t z;
    z.startSearch(g, T0);
    return z;
}

// target, soft, hard, nodes soft, nodes hard, max iteration
std::tuple<int64_t, int64_t, int64_t, int64_t, int64_t, int32_t> limits(const SearchLimits& g) {
    const Zeitkontrolle_t z = started(g);
    return {z.target, z.soft, z.hard, z.nodesSoft, z.nodesHard, z.maxIteration};
}

}  // namespace

TEST(Zeitkontrolle, ClockFormula) {
    EXPECT_EQ(limits({.time = 60000}), std::tuple(1127, 4508, 8542, NoNodes, NoNodes, 1000));
    EXPECT_EQ(limits({.time = 60000, .increment = 1000}),
              std::tuple(2027, 8108, 12142, NoNodes, NoNodes, 1000));
    EXPECT_EQ(limits({.time = 10000, .movestogo = 10}), std::tuple(532, 1065, 1481, NoNodes, NoNodes, 1000));
    EXPECT_EQ(started({.time = 60000, .movestogo = 100}).soft, 4508);  // outside 1..99: unknown
    // 200..250 ms leave 50 ms; an increment of 100 or less adds nothing.
    const Zeitkontrolle_t low = started({.time = 220, .increment = -500});
    EXPECT_EQ(low.hard, started({.time = 200, .increment = 100}).hard);
    EXPECT_LE(low.hard, 50);
    EXPECT_LE(low.target, low.soft);
    // A nearly empty clock never allows more than a quarter of what is left.
    for (int64_t left : {1, 30, 120, 199}) {
        const Zeitkontrolle_t z = started({.time = left, .increment = 10});
        EXPECT_LE(z.hard, std::max<int64_t>(left / 4, 1)) << left;
        EXPECT_GE(z.hard, 0) << left;
    }
    EXPECT_EQ(started({}).hard, low.hard);  // "go" alone: the short fixed search
    // An increment larger than the clock cannot push the hard limit beyond the clock.
    EXPECT_EQ(started({.time = 1200, .increment = 5000}).hard, 1000);
}

// The reserve kept back from the increment is the user's ("MoveOverhead"): 60000 ms with a
// 1000 ms increment, the worked example above, once with nothing kept back and once with all.
TEST(Zeitkontrolle, IncrementReserveReplacesTheHundredMilliseconds) {
    const auto withReserve = [](int64_t reserve) {
        Zeitkontrolle_t z;
        z.incrementReserve = reserve;
        z.startSearch({.time = 60000, .increment = 1000}, T0);
        return std::tuple(z.target, z.soft, z.hard);
    };
    EXPECT_EQ(withReserve(Zeitkontrolle_t::DefaultIncrementReserve), std::tuple(2027, 8108, 12142));
    // The whole increment: target 1127 + 1000, hard 8542 + 4 x 1000, soft 4 x target.
    EXPECT_EQ(withReserve(0), std::tuple(2127, 8508, 12542));
    EXPECT_EQ(withReserve(1000), std::tuple(1127, 4508, 8542));  // as if there were no increment
}

// Each step drops the limit that ruled before it: infinite, depth (with a mate in 2 as 2 x 2 + 3
// iterations), mate, movetime, then nodes (200 at least); the clock only when none is left.
TEST(Zeitkontrolle, PrecedenceOfTheLimits) {
    SearchLimits g{.time = 1000, .depth = 3, .nodes = 500, .mate = 2, .movetime = 10, .infinite = true};
    EXPECT_EQ(limits(g), std::tuple(NoTime, NoTime, NoTime, NoNodes, NoNodes, 1000));
    g.infinite = false;
    EXPECT_EQ(limits(g), std::tuple(NoTime, NoTime, NoTime, NoNodes, NoNodes, 7));
    g.mate = 0;
    EXPECT_EQ(limits(g), std::tuple(NoTime, NoTime, NoTime, NoNodes, NoNodes, 2));
    g.depth = 0;
    g.mate = 2;
    EXPECT_EQ(limits(g), std::tuple(NoTime, NoTime, NoTime, NoNodes, NoNodes, 7));
    g.mate = 0;
    EXPECT_EQ(limits(g), std::tuple(NoTime, NoTime, 10, NoNodes, NoNodes, 1000));
    g.movetime = 0;
    EXPECT_EQ(limits(g), std::tuple(NoTime, NoTime, NoTime, 500, 5000, 1000));
    g.nodes = 100;
    EXPECT_EQ(limits(g), std::tuple(NoTime, NoTime, NoTime, 200, 2000, 1000));
    // Absurd values must not overflow (the sanitizer build would stop here).
    EXPECT_GT(started({.time = Max, .increment = Max}).hard, 0);
    EXPECT_EQ(started({.time = -Max, .increment = -Max}).hard, started({}).hard);
    EXPECT_EQ(started({.nodes = Max}).nodesHard, NoNodes);
    EXPECT_GE(started({.depth = Max, .mate = Max}).maxIteration, 1000);
    EXPECT_GE(started({.mate = -Max}).target, 0);
}

TEST(Zeitkontrolle, IterationTest) {
    const Zeitkontrolle_t z = started({.time = 60000});  // target 1127, soft 4508
    // Default factor: (8 + 17) x 1127 / 30 = 939.2 ms.
    EXPECT_TRUE(z.iterationTest(DefaultTimeFactor, 0, 5, T0 + 939));
    EXPECT_FALSE(z.iterationTest(DefaultTimeFactor, 0, 5, T0 + 940));
    // A large factor meets the 1/2.2 rule at 2049 ms.
    EXPECT_TRUE(z.iterationTest(1.0, 0, 5, T0 + 2049));
    EXPECT_FALSE(z.iterationTest(1.0, 0, 5, T0 + 2050));

    const Zeitkontrolle_t d = started({.depth = 5});
    EXPECT_TRUE(d.iterationTest(DefaultTimeFactor, 1000000, 4, T0 + 100000));
    EXPECT_FALSE(d.iterationTest(DefaultTimeFactor, 0, 5, T0));
    // movetime has no soft limit: iterations go on until the hard limit strikes.
    const Zeitkontrolle_t m = started({.movetime = 1000});
    EXPECT_TRUE(m.iterationTest(DefaultTimeFactor, 0, 30, T0 + 999));
    EXPECT_FALSE(m.rootTest(0, T0 + 999));
}

TEST(Zeitkontrolle, StopTests) {
    const Zeitkontrolle_t z = started({.time = 60000});  // soft 4508, hard 8542
    EXPECT_FALSE(z.rootTest(0, T0 + 4507));
    EXPECT_TRUE(z.rootTest(0, T0 + 4508));
    EXPECT_FALSE(z.nodeTest(1 << 30, T0 + 8541));
    EXPECT_TRUE(z.nodeTest(0, T0 + 8542));
    const Zeitkontrolle_t n = started({.nodes = 100});
    EXPECT_FALSE(n.nodeTest(1999, T0 + 1000000));
    EXPECT_TRUE(n.nodeTest(2000, T0));
    // With the node clock the same limits are counted in nodes.
    const Zeitkontrolle_t c = started({.time = 60000, .nodeClock = 1});
    EXPECT_FALSE(c.nodeTest(8541, T0 + 1000000));
    EXPECT_TRUE(c.nodeTest(8542, T0));
    EXPECT_TRUE(c.rootTest(4508, T0));
}

namespace {

using test::Board;
using test::boardFromFen;

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
    EXPECT_EQ(rec.changedNow + rec.changedBefore + rec.changedTwoAgo + rec.inCheck + rec.captureOrSpecial, 0);
    // 22 attacked squares: ranks 2 and 3 and six of rank 1; an equal count is the second largest.
    EXPECT_EQ(std::tuple(rec.rootMoves, rec.attackedSquares, rec.bestMoveNodes, rec.largestOtherNodes,
                         rec.secondLargestOtherNodes, rec.totalNodes),
              std::tuple(4, 22, 300u, 500u, 500u, 1420u));
    EXPECT_EQ(std::tuple(rec.pv[0], rec.pv[1], rec.score), std::tuple(r.move("d2d4"), Zug_t{0}, 35));

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
}

}  // namespace

}  // namespace tolvaren
