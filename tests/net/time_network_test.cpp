#include "net/time_network.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "net/time_log.h"
#include "support/test_files.h"

namespace tolvaren {
namespace {

std::string fileText(const std::string& name) {
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

ZeitnetzEingabe_t input(int rootMoves) {
    Iterationsmerkmale_t r, p;
    r.rootMoves = rootMoves;
    return Zeitnetz_t::encodeInputs(r, p);
}

// The embedded text read back writes the same text, digit for digit; a few weights show that
// each landed on its connection.
TEST(Zeitnetz, EmbeddedNetworkShapeAndBiasPath) {
    Zeitnetz_t net;
    EXPECT_EQ(net.inputCount(), TimeNetInputs);
    EXPECT_EQ(net.weightCount(), 91);
    EXPECT_EQ(net.inputNode(15).outgoing[3].weight, 10.97684069);
    EXPECT_EQ(net.inputNode(16).outgoing[5].weight, 0.02515350503);  // bias to output
    EXPECT_EQ(net.hiddenNode(1, 4).outgoing[0].weight, -0.04761059726);

    // With all inputs 0 only the bias path speaks.
    const double zeros[TimeNetInputs] = {};
    EXPECT_NEAR(net.timeFactor(zeros), 0.166216278940108, 1e-12);
    std::ostringstream out;
    ASSERT_TRUE(net.write(out, false));
    EXPECT_EQ(out.str(), Zeitnetz_t::embeddedText());
}

TEST(Zeitnetz, EncodesTwoIterationRecords) {
    Iterationsmerkmale_t previous{.totalNodes = 1000, .pv = {101, 202, 505, 606}};
    // The second move is the previous one's; the fourth equals the previous second.
    const Iterationsmerkmale_t current{.changedNow = 1,
                                       .changedTwoAgo = 1,
                                       .captureOrSpecial = 1,
                                       .rootMoves = 30,
                                       .attackedSquares = 25,
                                       .bestMoveNodes = 1500,
                                       .largestOtherNodes = 600,
                                       .secondLargestOtherNodes = 300,
                                       .totalNodes = 3000,
                                       .pv = {101, 202, 303, 202},
                                       .score = 100};
    ZeitnetzEingabe_t e = Zeitnetz_t::encodeInputs(current, previous);
    EXPECT_STREQ(e.text, "1 0 1 1 0 0 1 0 1 0.75 12.5 0.25 0.5 0.2 0.1 0.237375 ");
    EXPECT_EQ(e.values[0], 1.0);
    EXPECT_EQ(e.values[9], 0.75);
    EXPECT_EQ(e.values[15], 0.237375);  // what the text holds, not the exact value

    // An empty iteration (no nodes counted) divides by one; a falling score gives a negative input.
    const Iterationsmerkmale_t empty{.rootMoves = 7, .score = -2000};
    previous.totalNodes = 500;
    e = Zeitnetz_t::encodeInputs(empty, previous);
    EXPECT_STREQ(e.text, "0 0 0 0 0 0 0 0 0 0.175 0 0.998004 0 0 0 -4.20194 ");
    EXPECT_EQ(e.values[11], 0.998004);

    double values[TimeNetInputs];
    EXPECT_FALSE(Zeitnetz_t::decodeInputs("1 0 1 0.5", values));
    EXPECT_EQ(values[15], 0.0);
}

TEST(Zeitnetz, DriverFactorRule) {
    EXPECT_EQ(iterationTimeFactor(0, 100000, false, 0.5), 0.08);
    EXPECT_EQ(iterationTimeFactor(1, 100000, true, 0.5), 0.15);
    EXPECT_EQ(iterationTimeFactor(2, 5000, false, 0.5), 0.08);  // not more than 5000 nodes yet
    EXPECT_EQ(iterationTimeFactor(2, 5001, false, 0.5), 0.5);
    EXPECT_DOUBLE_EQ(iterationTimeFactor(9, 5001, true, 0.5), 0.57);
    EXPECT_EQ(iterationTimeFactor(9, 5001, false, -0.3), 0.02);
    EXPECT_EQ(iterationTimeFactor(9, 5001, false, std::numeric_limits<double>::quiet_NaN()), 0.08);

    Zeitnetz_t net;
    Iterationsmerkmale_t current, previous;
    current.totalNodes = 9000;
    current.bestMoveNodes = 8000;
    current.rootMoves = 20;
    ZeitnetzEingabe_t e;
    const double f = net.factorAfterIteration(3, 9000, false, current, previous, e);
    EXPECT_EQ(f, std::max(net.timeFactor(e.values), 0.02));
    EXPECT_EQ(net.factorAfterIteration(1, 9000, false, current, previous, e), 0.08);
    EXPECT_STRNE(e.text, "");  // encoded even when the network does not decide
}

TEST(Zeitprotokoll, KeepsTheLastThreeIterationsAndAppendsThem) {
    test::TempDir dir;
    const std::string file = dir.path("time.log");

    Zeitprotokoll_t log;
    EXPECT_TRUE(log.append(file.c_str()));  // nothing to write: no file appears
    EXPECT_EQ(std::fopen(file.c_str(), "r"), nullptr);

    for (int i = 1; i <= 4; ++i) log.record(input(4 * i), 0.25 * i, i % 2, 1000 * i);
    log.record(input(99), 9.0, 1, 30000);  // past the logging limit: ignored
    ASSERT_EQ(log.lineCount(), 3);
    const std::string expected =
        "0 0 0 1 1 1 1 0 0 0.2 0 0 0 0 0 0 0.5 0\n"
        "0 0 0 1 1 1 1 0 0 0.3 0 0 0 0 0 0 0.75 1\n"
        "0 0 0 1 1 1 1 0 0 0.4 0 0 0 0 0 0 1 0\n";
    EXPECT_TRUE(log.append(file.c_str()));
    EXPECT_EQ(fileText(file), expected);
    EXPECT_TRUE(log.append(file.c_str()));
    EXPECT_EQ(fileText(file), expected + expected);

    EXPECT_TRUE(log.append("/dev/null"));
    EXPECT_FALSE(log.append(dir.path("missing/time.log").c_str()));

    log.clear();
    EXPECT_EQ(log.lineCount(), 0);
    log.record(input(40), 0.08, 1, 29999);
    EXPECT_STREQ(log.line(0), "0 0 0 1 1 1 1 0 0 1 0 0 0 0 0 0 0.08 1");
    EXPECT_STREQ(log.line(1), "");
}

}  // namespace
}  // namespace tolvaren
