// The random movers: in process with a seeded generator, the command-line switches and
// their combinations, and the mover as a user starts it.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "board/random.h"
#include "search/options.h"
#include "search/time_control.h"
#include "support/engine_process.h"
#include "tools/random_searcher.h"
#include "tools/test_output.h"
#include "tools/tools_test_support.h"

namespace tolvaren {

namespace {

using namespace test;

// Runs the random mover synchronously and returns its move in coordinates.
std::string randomMove(SucheZufall_t& mover, const char* fen) {
    Stellung_t pos;
    Zustand_t state;
    EXPECT_TRUE(readFen(pos, state, fen));
    Optionen_t options(emptyOptionTable);
    Zeitkontrolle_t time;
    TestAusgabe_t sink;
    mover.start(pos, options, time, Sucher_t::FlagSynchronous, sink, nullptr, nullptr);
    char text[8];
    return sink.best() == 0 ? "" : writeCoordinate(pos, sink.best(), text);
}

std::string illegal(int index, const std::string& argument) {
    return "illegal command line argument argv[" + std::to_string(index) + "] = \"" + argument + "\"";
}

// Sends one "go" on the position and returns the answer.
std::string answer(EngineProcess& e, const std::string& position, const std::string& go = "go") {
    e.send("position " + position);
    e.send(go);
    return e.readUntil("bestmove", ToolTimeout).value_or("(none)");
}

}  // namespace

TEST(RandomMover, PrefersMateAndOtherwiseSpreadsItsMoves) {
    Zufall_t::global().seed(12345);
    SucheZufall_t mate(true), plain(false);
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    std::set<std::string> mateModeMoves, plainMoves;
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(randomMove(mate, MateInOne), "a1a8");
        mateModeMoves.insert(randomMove(mate, start));  // no mate there: a random move
        plainMoves.insert(randomMove(plain, MateInOne));
    }
    EXPECT_GE(mateModeMoves.size(), 12u);
    EXPECT_GE(plainMoves.size(), 10u);
    for (const auto& m : plainMoves) EXPECT_TRUE(legalIn(MateInOne, m)) << m;
    // Stalemate: still one answer, with no move.
    EXPECT_EQ(randomMove(plain, "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"), "");
}

// Tool switches with the wrong number of arguments are engine mode with every argument
// reported; among the rest the last random-mover switch decides (the process test shows
// the other order, with a stray argument between).
TEST(RandomMoverCommandLine, SwitchesCountOnlyWithTheirNumberOfArguments) {
    const std::pair<std::vector<const char*>, SearcherKind> cases[] = {
        {{"--CreateBitbase", "Thread=2", "KDK"}, SearcherKind::Normal},
        {{"--CSVN", "in"}, SearcherKind::Normal},
        {{"--Testpos"}, SearcherKind::Normal},
        {{"--Testpos", "a", "b"}, SearcherKind::Normal},
        {{"--RndMate", "--Rnd"}, SearcherKind::Random}};
    for (size_t k = 0; k < std::size(cases); ++k) {
        std::vector<const char*> argv = {"tolvaren"};
        argv.insert(argv.end(), cases[k].first.begin(), cases[k].first.end());
        CapturedFile err;
        const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data(), err.get());
        EXPECT_EQ(line.mode, StartMode::Engine) << k;
        EXPECT_EQ(line.searcher, cases[k].second) << k;
        std::vector<std::string> expected;
        for (size_t i = 1; i < argv.size(); ++i)
            if (std::string(argv[i]).rfind("--Rnd", 0) != 0)
                expected.push_back(illegal(static_cast<int>(i), argv[i]));
        EXPECT_EQ(err.lines(), expected) << k;
    }
}

TEST(RandomMoverProcess, RandomMoverAnnouncesNoOptionsAndReportsStrayArguments) {
    EngineProcess e({"--Rnd", "xyz", "--RndMate"});
    e.send("uci");
    std::vector<std::string> before;
    EXPECT_TRUE(e.readUntil("uciok", ToolTimeout, &before));
    EXPECT_EQ(before, (std::vector<std::string>{"id name Tolvaren 2017-01-01", "id author Kestrane"}));
    EXPECT_EQ(e.readErrLine(ToolTimeout), illegal(2, "xyz"));
    // A random legal move, without a ponder move.
    const std::string move = answer(e, "startpos", "go wtime 1000 btime 1000");
    EXPECT_EQ(move.size(), 13u) << move;
    // Pondering holds the answer back until "ponderhit".
    e.send("position startpos moves e2e4");
    e.send("go ponder");
    EXPECT_FALSE(e.readLine(300));
    e.send("ponderhit");
    EXPECT_EQ(e.readLine(ToolTimeout).value_or("").rfind("bestmove ", 0), 0u);
    // The last switch made it the mate finder: a plain random mover would find the one
    // mate among 20 moves four times running with a chance of 1 in 160000.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(answer(e, std::string("fen ") + MateInOne), "bestmove a1a8");
    e.send("quit");
    EXPECT_EQ(e.waitExit(ToolTimeout), 0);
}

}  // namespace tolvaren
