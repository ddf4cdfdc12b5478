// The "eval" command through the engine's streams: the report ends with the score
// that the search would see.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

namespace tolvaren {
namespace {

using test::EngineProcess;

constexpr int Timeout = 20000;

std::string finalLine(EngineProcess& engine, const std::string& position) {
    engine.send(position);
    engine.send("eval");
    auto line = engine.readUntil("info string final ", Timeout);
    return line ? line->substr(18) : std::string("<none>");
}

TEST(EvalCommandProcess, StartPositionAndColourFlip) {
    EngineProcess engine;
    engine.send("uci");
    ASSERT_TRUE(engine.readUntil("uciok", Timeout));
    EXPECT_EQ(finalLine(engine, "position startpos"), "72");
    // A middlegame position and its colour flip score the same for the side to move.
    const std::string a = finalLine(
        engine, "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N2N2/PP2BPPP/R2QKB1R w KQ - 0 9");
    const std::string b = finalLine(
        engine, "position fen r2qkb1r/pp2bppp/2n2n2/2pp4/3P4/2N1PN2/PP2BPPP/R1BQ1RK1 b kq - 0 9");
    EXPECT_EQ(a, b);
    EXPECT_NE(a, "<none>");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

}  // namespace
}  // namespace tolvaren
