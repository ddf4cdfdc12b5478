#include "net/time_network.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>

namespace tolvaren {
namespace {

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

}  // namespace
}  // namespace tolvaren
