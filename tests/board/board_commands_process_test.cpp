// "position" and "perft" as a GUI or tester uses them, through the engine's streams.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

namespace tolvaren {
namespace {

using test::EngineProcess;

constexpr int Timeout = 30000;

// Sends one perft line and returns the "info depth" total line that ends it.
std::string perftTotal(EngineProcess& engine, const std::string& command) {
    engine.send(command);
    auto line = engine.readUntil("info depth", Timeout);
    return line ? *line : std::string("<no answer>");
}

std::string nodesOf(const std::string& line) {
    const auto p = line.rfind("nodes ");
    return p == std::string::npos ? line : line.substr(p + 6);
}

void startUci(EngineProcess& engine) {
    engine.send("uci");
    ASSERT_TRUE(engine.readUntil("uciok", Timeout));
}

TEST(BoardCommandsProcess, PerftCountsAndFormats) {
    EngineProcess engine;
    startUci(engine);
    const std::string total = perftTotal(engine, "perft depth 4");
    EXPECT_EQ(total.rfind("info depth 4 time ", 0), 0u) << total;
    EXPECT_EQ(nodesOf(total), "197281");
    EXPECT_EQ(nodesOf(perftTotal(engine, "perft depth 4 Hash 2")), "197281");
    EXPECT_EQ(nodesOf(perftTotal(engine, "perft depth 0")), "0");

    // Divide: one line per legal move with nodes 1, then the total.
    engine.send("perft depth 1 divide");
    int moves = 0;
    std::string last;
    while (auto line = engine.readLine(Timeout)) {
        if (line->rfind("info move ", 0) == 0) {
            ++moves;
            EXPECT_EQ(nodesOf(*line), "1") << *line;
            EXPECT_NE(line->find(" depth 0 time "), std::string::npos) << *line;
            continue;
        }
        last = *line;
        break;
    }
    EXPECT_EQ(moves, 20);
    EXPECT_EQ(nodesOf(last), "20");

    // Without a depth the UCI sink stays silent; the engine answers the next line.
    engine.send("perft divide");
    engine.send("isready");
    auto next = engine.readLine(Timeout);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, "readyok");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

TEST(BoardCommandsProcess, PositionLinesSetTheBoardAndBadOnesLeaveItConsistent) {
    EngineProcess engine;
    startUci(engine);
    // Kiwipete after two moves, and a long legal game of knight shuffles.
    engine.send(
        "position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 moves e1g1 h3g2");
    EXPECT_EQ(nodesOf(perftTotal(engine, "perft depth 3")), "103491");  // counted by an independent engine
    std::string shuffle = "position startpos moves";
    for (int i = 0; i < 100; ++i) shuffle += " g1f3 g8f6 f3g1 f6g8";
    engine.send(shuffle);
    EXPECT_EQ(nodesOf(perftTotal(engine, "perft depth 3")), "8902");

    // Broken FEN, impossible move, garbage: the engine keeps a legal position.
    engine.send("position fen rnbqkbnr/pppppppp/8/8 w KQkq - 0 1");
    engine.send("position startpos moves e2e4 e7e5 e1e3");
    EXPECT_EQ(nodesOf(perftTotal(engine, "perft depth 1")), "29");  // after e2e4 e7e5
    engine.send("position fen 8/8/8/8/8/8/8/8 w - - 0 1");
    engine.send("position \x01\x02 moves zz");
    engine.send("position fen nrbkqbrn/pppppppp/8/8/8/8/PPPPPPPP/NRBKQBRN w GBgb - 0 1");
    const std::string count = nodesOf(perftTotal(engine, "perft depth 2"));
    EXPECT_FALSE(count.empty());
    EXPECT_NE(count.find_first_of("0123456789"), std::string::npos);
    engine.send("position startpos");
    EXPECT_EQ(nodesOf(perftTotal(engine, "perft depth 2")), "400");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

}  // namespace
}  // namespace tolvaren
