// The parallel search as a GUI sees it: with 2 to 4 threads "go" still ends in one legal
// "bestmove", mates are still found, and "stop" and "quit" end the search promptly.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "board/fen.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "support/engine_process.h"

namespace tolvaren {

namespace {

using test::EngineProcess;

constexpr int Timeout = 30000;
// Generous: only a hang or a search that ignores "stop" should exceed it.
constexpr int PromptMs = 5000;

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

struct Engine {
    EngineProcess process;
    explicit Engine(int threads) {
        process.send("uci");
        process.readUntil("uciok", Timeout);
        process.send("setoption name NumberOfProcessors value " + std::to_string(threads));
    }
    void send(const std::string& line) { process.send(line); }
    std::vector<std::string> untilBestMove(int timeoutMs = Timeout) {
        std::vector<std::string> lines;
        const auto best = process.readUntil("bestmove", timeoutMs, &lines);
        if (best) lines.push_back(*best);
        return lines;
    }
};

// The move of a "bestmove" line, checked against the legal moves of the position.
bool legalBestMove(const std::string& fen, const std::string& line) {
    if (!startsWith(line, "bestmove ")) return false;
    const std::string move = line.substr(9, line.find(' ', 9) - 9);
    Stellung_t pos;
    Zustand_t state;
    if (!readFen(pos, state, fen)) return false;
    const Zug_t m = readCoordinate(pos, move);
    return m != 0 && isLegal(pos, m, state);
}

}  // namespace

TEST(ParallelSearchProcess, MatesAreFoundWithTwoAndFourThreads) {
    struct Case {
        const char* fen;
        const char* mate;
    };
    const Case cases[] = {
        {"2k5/8/1K6/8/8/8/8/7R w - - 0 1", "score mate 2 "},
        {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 0 1", "score mate 2 "},
        {"6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1", "score mate 2 "},
    };
    for (int threads : {2, 4}) {
        Engine e(threads);
        for (const Case& c : cases) {
            e.send(std::string("position fen ") + c.fen);
            e.send("go depth 12");
            const auto lines = e.untilBestMove();
            ASSERT_FALSE(lines.empty());
            bool mate = false;
            for (const auto& l : lines) mate = mate || l.find(c.mate) != std::string::npos;
            EXPECT_TRUE(mate) << threads << " threads: " << c.fen;
            EXPECT_TRUE(legalBestMove(c.fen, lines.back())) << lines.back();
        }
    }
}

TEST(ParallelSearchProcess, StopEndsAnInfiniteSearchPromptlyWithOneLegalMove) {
    const std::string fen = "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 0 1";
    for (int threads : {2, 4}) {
        Engine e(threads);
        e.send("position fen " + fen);
        e.send("go infinite");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        e.send("stop");
        const auto lines = e.untilBestMove(PromptMs);
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(legalBestMove(fen, lines.back())) << lines.back();
        // Exactly one answer: a second search runs normally afterwards.
        e.send("go depth 6");
        const auto again = e.untilBestMove();
        ASSERT_FALSE(again.empty());
        int answers = 0;
        for (const auto& l : again) answers += startsWith(l, "bestmove");
        EXPECT_EQ(answers, 1);
    }
}

TEST(ParallelSearchProcess, QuitDuringASearchExitsCleanly) {
    for (int threads : {2, 4}) {
        Engine e(threads);
        e.send("position startpos moves e2e4 e7e5");
        e.send("go infinite");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        e.send("quit");
        EXPECT_EQ(e.process.waitExit(PromptMs), 0) << threads << " threads";
    }
}

TEST(ParallelSearchProcess, ThreadCountChangesBetweenTimedGames) {
    // Short clocks with more threads than cores, then back to one thread.
    Engine e(4);
    const std::string fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    for (int threads : {4, 3, 1, 2}) {
        e.send("setoption name NumberOfProcessors value " + std::to_string(threads));
        e.send("position fen " + fen);
        e.send("go wtime 300 btime 300 winc 10 binc 10");
        const auto lines = e.untilBestMove();
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(legalBestMove(fen, lines.back())) << threads << ": " << lines.back();
    }
    e.send("quit");
    EXPECT_EQ(e.process.waitExit(PromptMs), 0);
}

}  // namespace tolvaren
