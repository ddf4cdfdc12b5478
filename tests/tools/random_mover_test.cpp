// The random movers: in process with a seeded generator, and as a GUI starts them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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
    std::set<std::string> plainMoves;
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(randomMove(mate, MateInOne), "a1a8");
        plainMoves.insert(randomMove(plain, MateInOne));
    }
    EXPECT_GE(plainMoves.size(), 10u);
    for (const auto& m : plainMoves) EXPECT_TRUE(legalIn(MateInOne, m)) << m;
    // Stalemate: still one answer, with no move.
    EXPECT_EQ(randomMove(plain, "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"), "");
}

TEST(RandomMoverProcess, AnnouncesNoOptionsAndTheLastSwitchDecides) {
    EngineProcess e({"--Rnd", "--RndMate"});
    e.send("uci");
    std::vector<std::string> before;
    EXPECT_TRUE(e.readUntil("uciok", ToolTimeout, &before));
    EXPECT_EQ(before, (std::vector<std::string>{"id name Tolvaren 2017-01-01", "id author Kestrane"}));
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
