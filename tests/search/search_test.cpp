// Whole searches run synchronously in the test's thread, observed through a sink that
// keeps what the search reports.
#include "search/search.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "protocol/position_command.h"
#include "search/bench.h"
#include "search/options.h"
#include "search/output.h"
#include "search/time_control.h"

namespace tolvaren {

namespace {

class RecordingSink : public Ausgabe_t {
   public:
    void principalVariation(const Stellung_t&, const Zug_t*, int, int32_t score, int32_t, int32_t,
                            int depthIndex, int, int64_t, int64_t, int, int64_t, bool) override {
        lastScore = score;
        lastDepth = depthIndex + 1;
    }
    void multiPvLine(const Stellung_t& pos, const Zug_t* moves, int length, int lineNumber, int32_t score,
                     int) override {
        char buffer[8];
        if (length > 0)
            multiPv.push_back(std::to_string(lineNumber) + " " + writeCoordinate(pos, moves[0], buffer) +
                              " " + std::to_string(score));
    }
    void bestMove(const Stellung_t& pos, Zug_t best, Zug_t) override {
        char buffer[8];
        bestMoves.push_back(writeCoordinate(pos, best, buffer));
    }

    int32_t lastScore = 0;
    int lastDepth = 0;
    std::vector<std::string> multiPv;
    std::vector<std::string> bestMoves;
};

struct SearchFixture {
    std::unique_ptr<Suche_t> searcher = std::make_unique<Suche_t>();
    std::unique_ptr<Optionen_t> options = std::make_unique<Optionen_t>(engineOptionTable);
    Zeitkontrolle_t time;
    RecordingSink sink;
    std::unique_ptr<Stellung_t> pos = std::make_unique<Stellung_t>();
    Zustand_t states[2];
    int stateIndex = 0;

    explicit SearchFixture(const std::string& positionArgs) {
        options->setFlag(OptionOwnBook, false);  // these tests search, whatever book lies about
        EXPECT_TRUE(setPositionFromCommand(*pos, states, stateIndex, positionArgs,
                                           [](std::string_view, std::string_view) {}));
    }
    // Debug mode prints every PV line, so the sink sees the last one.
    void searchDepth(int depth, const std::vector<Zug_t>& rootMoves = {}) {
        time.startSearch(false, 0, 0, 0, depth, 0, 0, 0, false, 0);
        const Zug_t* begin = rootMoves.empty() ? nullptr : rootMoves.data();
        searcher->start(*pos, *options, time, Sucher_t::FlagSynchronous | Sucher_t::FlagDebug, sink, begin,
                        begin ? begin + rootMoves.size() : nullptr);
    }
    Zug_t move(const char* text) const { return readCoordinate(*pos, text); }
};

}  // namespace

TEST(Search, FindsAMateInTwo) {
    SearchFixture f("fen k7/8/2K5/8/8/8/8/7R w - - 0 1");
    f.searchDepth(6);
    EXPECT_EQ(f.sink.lastScore, MateScore - 3);
    ASSERT_EQ(f.sink.bestMoves.size(), 1u);
    // Every mate in two here starts with a king move.
    EXPECT_EQ(f.sink.bestMoves[0].substr(0, 2), "c6");
}

TEST(Search, MatedAndStalemateRootsAnswerWithoutAMove) {
    for (const char* fen : {"fen R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", "fen k7/2Q5/1K6/8/8/8/8/8 b - - 0 1"}) {
        SearchFixture f(fen);
        f.searchDepth(3);
        EXPECT_EQ(f.sink.bestMoves, std::vector<std::string>{"0000"}) << fen;
    }
}

TEST(Search, ReturningToAGamePositionScoresZero) {
    // After g8 the start position stands on the board for the third time.
    SearchFixture f("startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1");
    f.searchDepth(4, {f.move("f6g8")});
    EXPECT_EQ(f.sink.lastScore, 0);
    EXPECT_EQ(f.sink.bestMoves, std::vector<std::string>{"f6g8"});
}

TEST(Search, AvoidsStalematingAWonPosition) {
    // Qb6 would stalemate; any sensible queen move keeps the win.
    SearchFixture f("fen k7/8/2K5/8/8/8/1Q6/8 w - - 0 1");
    f.searchDepth(5);
    EXPECT_GT(f.sink.lastScore, 1000);
    EXPECT_NE(f.sink.bestMoves.at(0), "b2b6");
}

TEST(Search, OnlyMoveAnswersAfterTheFirstIteration) {
    SearchFixture f("fen 7k/8/8/8/8/8/6q1/7K w - - 0 1");  // Kxg2 is forced
    f.searchDepth(20);
    EXPECT_EQ(f.sink.lastDepth, 1);
    EXPECT_EQ(f.sink.bestMoves, std::vector<std::string>{"h1g2"});
}

TEST(Search, BenchStopsAtAPositionThatDoesNotLoad) {
    Suche_t searcher;
    const char* const positions[] = {"8/8/8/8/8/8/8/K6k w - - 0 1", "not a position",
                                     "8/8/8/8/8/8/8/K6k b - - 0 1"};
    const BenchResult result = runBench(searcher, positions, 3, 2, 1, nullptr);
    EXPECT_STREQ(result.badFen, "not a position");
    EXPECT_GT(result.nodes, 0u);  // the first position was searched, the third was not
    // A second run searches the same tree node for node.
    EXPECT_EQ(runBench(searcher, positions, 1, 2, 1, nullptr).nodes, result.nodes);
    EXPECT_EQ(runBench(searcher, 1).badFen, nullptr);  // every compiled-in position loads
}

TEST(Search, MultiPvReportsTheBestLinesInOrder) {
    SearchFixture f("fen 4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1");  // Rxd5 wins the queen
    f.options->setNumber(OptionMultiPv, 3);
    f.searchDepth(5);
    ASSERT_GE(f.sink.multiPv.size(), 3u);
    const std::vector<std::string> last(f.sink.multiPv.end() - 3, f.sink.multiPv.end());
    EXPECT_EQ(last[0].substr(0, 7), "1 d2d5 ");
    EXPECT_EQ(last[1].substr(0, 2), "2 ");
    EXPECT_EQ(last[2].substr(0, 2), "3 ");
    EXPECT_EQ(f.sink.bestMoves, std::vector<std::string>{"d2d5"});
}

TEST(Quiescence, TakesTheHangingQueenAndFarBelowAlphaOnlyAnUndefendedPawn) {
    auto pos = std::make_unique<Stellung_t>();
    Zustand_t state;
    ASSERT_TRUE(readFen(*pos, state, "rnb1kbnr/pppp1ppp/8/3q4/4P3/8/PPPP1PPP/RNB1KBNR w KQkq - 0 1"));
    // Level material after exd5, where standing pat loses a queen.
    EXPECT_GT(std::make_unique<Suche_t>()->quiescenceOfPosition(*pos), 500);

    // Knight e4 against a lone pawn on g5; e = 0, alpha = 2000 at the first quiescence ply.
    const Bitboard g5 = bit(squareOf(6, 5));
    ASSERT_TRUE(readFen(*pos, state, "8/4k3/8/6p1/4N3/8/8/4K3 w - - 0 1"));
    EXPECT_TRUE(quiescenceTargets(*pos, state, 0, 2000, -1) & g5);
    ASSERT_TRUE(readFen(*pos, state, "8/8/7k/6p1/4N3/8/8/4K3 w - - 0 1"));  // the king defends it
    EXPECT_FALSE(quiescenceTargets(*pos, state, 0, 2000, -1) & g5);
    // Close to alpha every piece is a target, defended or not.
    EXPECT_TRUE(quiescenceTargets(*pos, state, 1900, 2000, -1) & g5);
}

}  // namespace tolvaren
