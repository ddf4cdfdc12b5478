#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "support/engine_process.h"

namespace tolvaren {
namespace {

std::string tempPath(const char* name) {
    return std::string(::testing::TempDir()) + "tolvaren_" + name + "_" + std::to_string(::getpid());
}

// The trainer commands reached through the UCI interface: messages arrive on
// standard error, and a written network reads back.
TEST(TimeCommandProcess, AddLearnWriteThroughTheEngine) {
    const std::string samples = tempPath("samples.txt");
    const std::string net = tempPath("net.txt");
    {
        // Sixteen inputs, one ignored number and the target per line; a smooth function of the first input.
        std::ofstream out(samples);
        for (int i = 0; i < 40; ++i) {
            const double x = (i % 20) / 20.0;
            for (int k = 0; k < 16; ++k) out << (k == 0 ? x : 0.0) << ' ';
            out << 0.5 << ' ' << 0.1 + 0.2 * x << '\n';
        }
    }
    test::EngineProcess engine;
    engine.send("uci");
    ASSERT_TRUE(engine.readUntil("uciok", 5000));
    engine.send("time learn 5");  // no trainer yet: silently nothing
    engine.send("time init");
    engine.send("time learn 5");
    auto err = engine.readErrLine(5000);
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(*err, "info string nothing to learn");
    engine.send("time add /nonexistent/dir/none.txt");
    err = engine.readErrLine(5000);
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(*err, "info string file not found: /nonexistent/dir/none.txt");
    engine.send("time add " + samples);
    engine.send("time learn 50");
    err = engine.readErrLine(20000);
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(err->rfind("info string Mittlerer Fehler ", 0), 0u) << *err;
    engine.send("time write " + net);
    engine.send("isready");
    ASSERT_TRUE(engine.readUntil("readyok", 20000));
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(5000), 0);

    std::ifstream in(net);
    ASSERT_TRUE(in.good());
    std::string first;
    in >> first;
    EXPECT_FALSE(first.empty());
    std::remove(samples.c_str());
    std::remove(net.c_str());
}

}  // namespace
}  // namespace tolvaren
