// The time log as a user sees it: searches append the last iterations' network inputs,
// factors and decisions to "TimeLogfile", and "/dev/null" writes nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "net/time_network.h"
#include "support/engine_process.h"
#include "support/uci_engine.h"

namespace tolvaren {
namespace {

using test::EngineProcess;

constexpr int Timeout = 30000;

std::string tempPath(const char* name) {
    return std::string(::testing::TempDir()) + "tolvaren_" + name + "_" + std::to_string(::getpid());
}

std::vector<std::string> fileLines(const std::string& name) {
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> tokens(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

using Engine = test::UciEngine;

// The lines before "bestmove" of one search.
std::vector<std::string> search(Engine& e, const std::string& go) {
    e.send(go);
    auto lines = e.untilBestMove();
    const bool answered = !lines.empty() && lines.back().rfind("bestmove", 0) == 0;
    EXPECT_TRUE(answered) << go;
    if (answered) lines.pop_back();
    return lines;
}

// Each line: 16 network inputs (nine of them 0 or 1), the factor and the continue flag. In the
// start position (opening) the factor is 0.15 until the network decides, then its output + 0.07.
void expectLogLine(const std::string& line, Zeitnetz_t& net, int& networkLines) {
    const auto t = tokens(line);
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

TEST(TimeNetworkLogProcess, SearchesAppendTheirLastIterations) {
    const std::string log = tempPath("time.log");
    std::remove(log.c_str());
    Engine e;
    e.send("setoption name OwnBook value false");  // the start position is in the default book
    e.send("setoption name TimeLogfile value " + log);
    e.send("position startpos");
    search(e, "go movetime 2000");
    auto lines = fileLines(log);
    ASSERT_EQ(lines.size(), 3u);
    Zeitnetz_t net;
    int networkLines = 0;
    for (const auto& l : lines) expectLogLine(l, net, networkLines);
    EXPECT_GE(networkLines, 1);  // the iterations logged late enough are the network's

    // A second search appends; a depth-limited one refuses the iteration after its last.
    search(e, "go depth 3");
    lines = fileLines(log);
    ASSERT_EQ(lines.size(), 6u);
    for (int i = 3; i < 6; ++i) expectLogLine(lines[i], net, networkLines);
    EXPECT_EQ(lines[3].back(), '1');
    EXPECT_EQ(lines[4].back(), '1');
    EXPECT_EQ(lines[5].back(), '0');

    e.send("setoption name TimeLogfile value /dev/null");
    search(e, "go depth 3");
    EXPECT_EQ(fileLines(log).size(), 6u);
    std::remove(log.c_str());
}

TEST(TimeNetworkLogProcess, UnwritableLogSaysSoAndStillAnswers) {
    Engine e;
    e.send("setoption name OwnBook value false");  // the start position is in the default book
    e.send("setoption name TimeLogfile value /nonexistent/dir/time.log");
    e.send("position startpos");
    const auto lines = search(e, "go depth 3");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "info string error writing file: /nonexistent/dir/time.log"),
              lines.end());
}

}  // namespace
}  // namespace tolvaren
