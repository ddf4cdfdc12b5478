// Searches as a GUI sees them: "go" in its forms, "stop", "ponderhit", "isready" while
// searching, and exactly one "bestmove" per "go".
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/engine_process.h"
#include "support/uci_engine.h"

namespace tolvaren {

namespace {

using test::EngineProcess;

constexpr int Timeout = 30000;

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }
bool contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

using Engine = test::UciEngine;

int countContaining(const std::vector<std::string>& lines, const std::string& part) {
    int n = 0;
    for (const auto& l : lines) n += contains(l, part);
    return n;
}

int countStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    int n = 0;
    for (const auto& l : lines) n += startsWith(l, prefix);
    return n;
}

}  // namespace

TEST(SearchProcess, OnlyMoveAnswersAfterDepthOne) {
    Engine e;
    e.send("debug on");
    e.send("position fen 7k/8/8/8/8/8/6q1/7K w - - 0 1");
    e.send("go wtime 60000 btime 60000");
    const auto lines = e.untilBestMove();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "bestmove h1g2");
    EXPECT_EQ(countStartingWith(lines, "info depth 1 "), 1);
    EXPECT_EQ(countStartingWith(lines, "info depth 2 "), 0);
}

TEST(SearchProcess, MateInTwoAndRepetitionScores) {
    Engine e;
    e.send("debug on");
    e.send("position fen k7/8/2K5/8/8/8/8/7R w - - 0 1");
    e.send("go depth 6");
    auto lines = e.untilBestMove();
    ASSERT_FALSE(lines.empty());
    EXPECT_GE(countContaining(lines, "info depth 6 seldepth 6 score mate 2 "), 1);
    EXPECT_TRUE(startsWith(lines.back(), "bestmove c6")) << lines.back();

    // Knight back to g8 repeats the start position of the game.
    e.send("position startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1");
    e.send("go depth 4 searchmoves f6g8");
    lines = e.untilBestMove();
    ASSERT_FALSE(lines.empty());
    EXPECT_GE(countContaining(lines, "info depth 4 seldepth 4 score cp 0 "), 1);
    EXPECT_EQ(lines.back(), "bestmove f6g8");
}

TEST(SearchProcess, InfiniteAnswersIsreadyAndStopsWithOneBestMove) {
    Engine e;
    e.send("position startpos moves e2e4");
    e.send("go infinite");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    e.send("isready");
    std::vector<std::string> before;
    ASSERT_TRUE(e.process.readUntil("readyok", Timeout, &before));
    EXPECT_EQ(countStartingWith(before, "bestmove"), 0);
    e.send("stop");
    e.send("isready");
    std::vector<std::string> after;
    ASSERT_TRUE(e.process.readUntil("readyok", Timeout, &after));
    EXPECT_EQ(countStartingWith(after, "bestmove"), 1);
    // "stop" with no search running changes nothing.
    e.send("stop");
    e.send("isready");
    after.clear();
    ASSERT_TRUE(e.process.readUntil("readyok", Timeout, &after));
    EXPECT_EQ(countStartingWith(after, "bestmove"), 0);
}

TEST(SearchProcess, PonderWaitsForPonderhit) {
    Engine e;
    e.send("position startpos");
    e.send("go ponder wtime 2000 btime 2000");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    e.send("isready");
    std::vector<std::string> before;
    ASSERT_TRUE(e.process.readUntil("readyok", Timeout, &before));
    EXPECT_EQ(countStartingWith(before, "bestmove"), 0);  // far beyond the time for this move
    e.send("ponderhit");
    const auto lines = e.untilBestMove();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(startsWith(lines.back(), "bestmove ")) << lines.back();
}

TEST(SearchProcess, LimitsMultiPvAndRootMoveLists) {
    Engine e;
    e.send("setoption name OwnBook value false");  // the start position is in the default book
    e.send("position startpos");
    e.send("go nodes 3000");
    EXPECT_TRUE(startsWith(e.untilBestMove().back(), "bestmove "));
    e.send("go movetime 200");
    EXPECT_TRUE(startsWith(e.untilBestMove().back(), "bestmove "));
    e.send("go depth 3 searchmoves a2a3 zz b1c3");  // the list ends at the first non-move
    EXPECT_TRUE(startsWith(e.untilBestMove().back(), "bestmove a2a3"));
    e.send("go depth 3 excludemoves a2a3 a2a4 b2b3 b2b4 c2c3 c2c4 d2d3 d2d4 e2e3 e2e4 f2f3 f2f4 g2g3 g2g4 "
           "h2h4 b1a3 b1c3 g1f3 g1h3");
    EXPECT_TRUE(startsWith(e.untilBestMove().back(), "bestmove h2h3"));

    e.send("setoption name MultiPV value 3");
    e.send("go depth 5");
    const auto lines = e.untilBestMove();
    for (const char* n : {"info multipv 1 depth 5 ", "info multipv 2 depth 5 ", "info multipv 3 depth 5 "})
        EXPECT_EQ(countStartingWith(lines, n) >= 1, true) << n;
}

TEST(SearchProcess, EndOfInputStopsAnInfiniteSearchWhichStillAnswers) {
    Engine e;
    e.send("position startpos");
    e.send("go infinite");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    e.process.closeInput();
    const auto lines = e.process.readAllLines(Timeout);
    EXPECT_EQ(countStartingWith(lines, "bestmove"), 1);
    EXPECT_EQ(e.process.waitExit(Timeout), 0);
}

TEST(SearchProcess, BenchSignatureRepeats) {
    std::string first;
    for (int run = 0; run < 2; ++run) {
        Engine e;
        e.send("bench 5");
        const auto nodes = e.process.readUntil("bench: nodes ", Timeout);
        ASSERT_TRUE(nodes);
        EXPECT_TRUE(e.process.readUntil("bench: nps ", Timeout));
        if (run == 0)
            first = *nodes;
        else
            EXPECT_EQ(*nodes, first);
    }
}

}  // namespace tolvaren
