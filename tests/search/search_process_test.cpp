// Searches as a GUI sees them: "stop", "ponderhit", "isready" while searching and exactly one
// "bestmove" per "go", with one thread or several; and a drawn ending reported as a draw
// with bitbase hits.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bitbase/bitbase_generator.h"
#include "bitbase/bitbase_test_support.h"
#include "board/board_test_support.h"
#include "net/time_network.h"
#include "support/test_files.h"
#include "support/uci_engine.h"

namespace tolvaren {

namespace {

using test::countStartingWith;
using test::startsWith;
using Engine = test::UciEngine;

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool anyContains(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

// The move of a "bestmove" line, checked against the legal moves of the position.
bool legalBestMove(const std::string& fen, const std::string& line) {
    auto board = std::make_unique<test::Board>(test::boardFromFen(fen));
    return startsWith(line, "bestmove ") && board->play(line.substr(9, line.find(' ', 9) - 9));
}

}  // namespace

// A pondering search waits for "ponderhit" far beyond its time; a stray "stop" does nothing; the
// end of the input stops a search, which still answers. "isready" and "stop" during an infinite
// search, and pondering on a book move, are covered by the book process tests.
TEST(SearchProcess, PonderhitStrayStopAndEndOfInput) {
    Engine e;
    e.send("setoption name OwnBook value false");  // the start position is in the default book
    e.send("position startpos");
    e.send("go ponder wtime 2000 btime 2000");
    sleepMs(1500);
    EXPECT_EQ(e.bestMovesUntilReady(), 0);
    e.send("ponderhit");
    EXPECT_TRUE(startsWith(e.bestMoveLine(), "bestmove "));
    e.send("stop");
    EXPECT_EQ(e.bestMovesUntilReady(), 0);

    e.send("go infinite");
    sleepMs(100);
    e.process.closeInput();
    EXPECT_EQ(countStartingWith(e.process.readAllLines(Engine::Timeout), "bestmove"), 1);
    EXPECT_EQ(e.process.waitExit(Engine::Timeout), 0);
}

// With 2 and 4 threads mates are still found, "stop" and "quit" end a search promptly,
// "stop" gets exactly one legal "bestmove" and "quit" none.
TEST(ParallelSearchProcess, MatesStopAndQuitWithTwoAndFourThreads) {
    const std::string mate = "6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1";  // in two
    const std::string middlegame = "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 0 1";
    constexpr int PromptMs = 5000;  // only a hang or a search that ignores "stop" exceeds it
    for (int threads : {2, 4}) {
        Engine e;
        e.send("setoption name NumberOfProcessors value " + std::to_string(threads));
        e.send("position fen " + mate);
        e.send("go depth 12");
        const auto lines = e.untilBestMove();
        EXPECT_TRUE(anyContains(lines, " score mate 2 ")) << threads << " threads";
        EXPECT_TRUE(!lines.empty() && legalBestMove(mate, lines.back())) << threads << " threads";
        e.send("position fen " + middlegame);
        e.send("go infinite");
        sleepMs(500);
        e.send("stop");
        EXPECT_TRUE(legalBestMove(middlegame, e.bestMoveLine(PromptMs))) << threads << " threads";
        EXPECT_EQ(e.bestMovesUntilReady(), 0);
        e.send("go wtime 300 btime 300 winc 10 binc 10");  // short clocks, more threads than cores
        EXPECT_TRUE(legalBestMove(middlegame, e.bestMoveLine())) << threads << " threads";

        e.send("go infinite");
        sleepMs(300);
        e.send("quit");  // ends the search without a "bestmove"
        EXPECT_EQ(e.process.waitExit(PromptMs), 0) << threads << " threads";
        EXPECT_EQ(countStartingWith(e.process.readAllLines(PromptMs), "bestmove"), 0);
    }
}

TEST(BitbaseSearchProcess, DrawnEndingIsADrawWithBitbaseHits) {
    test::ScratchDirectory dir;
    BitbaseGenerationOptions options;
    options.directory = dir.path();
    options.out = options.err = std::tmpfile();
    for (const char* name : {"KTK", "KLK", "KTKL", "KLKT"})
        ASSERT_EQ(generateBitbase(name, options), 0) << name;
    std::fclose(options.out);

    // White Ke2 Rd2, Black Ke6 Bd5: the rook cannot win.
    Engine e;
    e.send("debug on");  // every iteration's line is printed
    e.send("setoption name BitbaseCache value 16");  // 0, the default, probes nothing
    e.send("setoption name BitbasePath value " + dir.path());
    e.send("position fen 8/8/4k3/3b4/8/8/3RK3/8 w - - 0 1");
    e.send("go depth 12");
    bool hits = false;
    std::string score;
    for (const std::string& line : e.untilBestMove()) {
        hits |= line.find(" tbhits ") != std::string::npos;
        const size_t at = line.find(" score ");
        if (at != std::string::npos) score = line.substr(at + 7, line.find(" time ") - at - 7);
    }
    EXPECT_TRUE(hits);
    EXPECT_EQ(score, "cp 0");
}

namespace {

// Each line: 16 network inputs (nine of them 0 or 1), the factor and the continue flag. In the
// opening the factor is 0.15 until the network decides, then its output + 0.07.
void expectOpeningLogLine(const std::string& line, Zeitnetz_t& net, int& networkLines) {
    std::istringstream in(line);
    std::vector<std::string> t;
    for (std::string token; in >> token;) t.push_back(token);
    ASSERT_EQ(t.size(), 18u) << line;
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(t[i] == "0" || t[i] == "1") << line;
    EXPECT_TRUE(t[17] == "0" || t[17] == "1") << line;
    const double factor = std::stod(t[16]);
    if (factor == OpeningTimeFactor) return;
    double values[TimeNetInputs];
    ASSERT_TRUE(Zeitnetz_t::decodeInputs(line.c_str(), values)) << line;
    const double expected = std::max(net.timeFactor(values) + OpeningFactorBonus, MinTimeFactor);
    EXPECT_NEAR(factor, expected, 1e-5 * std::fabs(expected)) << line;
    ++networkLines;
}

}  // namespace

// A book move keeps the opening flag for the next search, even when that search starts with
// fewer than 31 pieces: after 1.e4 d5 2.exd5 Qxd5 (30 pieces, out of book) every logged factor
// is the opening one, and the late iterations take the network's.
TEST(TimeNetworkLogProcess, ABookMoveKeepsTheOpeningFlagForTheNextSearch) {
    test::TempDir dir;
    const std::string log = dir.path("time.log"), book = dir.path("line.opn");
    std::ofstream(book) << "e2e4 1 d7d5 1 e4d5 1 d8d5 1 * * * * *\n";
    Engine e;
    e.send("setoption name BookFile value " + book);
    e.send("setoption name TimeLogfile value " + log);
    e.send("position startpos moves e2e4 d7d5 e4d5");
    e.send("go movetime 500");
    ASSERT_EQ(e.bestMoveLine().rfind("bestmove d8d5", 0), 0u);
    e.send("position startpos moves e2e4 d7d5 e4d5 d8d5");
    e.send("go movetime 2000");
    ASSERT_TRUE(startsWith(e.bestMoveLine(), "bestmove"));
    const auto lines = test::fileLines(log);
    ASSERT_EQ(lines.size(), 3u);
    Zeitnetz_t net;
    int networkLines = 0;
    for (const auto& l : lines) expectOpeningLogLine(l, net, networkLines);
    EXPECT_GE(networkLines, 1);
}

}  // namespace tolvaren
