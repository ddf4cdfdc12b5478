// The network (forward pass, gradients, updates, its text), and the embedded time network
// with its inputs and log.
#include "net/neural_network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "net/time_log.h"
#include "net/time_network.h"
#include "net/time_trainer.h"
#include "support/test_files.h"

namespace tolvaren {
namespace {

// 2 inputs, 2 hidden nodes, 1 output, fully connected.
const std::string SmallTopology = "31\n3 0 2 1 2 2 1  0 0 1 0  0 0 1 1  0 1 1 0  0 1 1 1  1 0 2 0  1 1 2 0\n";
const std::string SmallWeights = "0.5 -0.25\n1.0 0.75\n0.1 -0.2 0.3\n2.0\n-1.0\n";

bool readText(NeuroNetz_t& net, const std::string& text) {
    std::istringstream in(text);
    return net.read(in);
}

std::string writeText(const NeuroNetz_t& net, bool withState) {
    std::ostringstream out;
    EXPECT_TRUE(net.write(out, withState));
    return out.str();
}

// Every weight in text order: inputs (bias last), then hidden nodes layer by layer.
std::vector<double> weights(NeuroNetz_t& net) {
    std::vector<double> w;
    for (int i = 0; i <= net.inputCount(); ++i)
        for (const auto& c : net.inputNode(i).outgoing) w.push_back(c.weight);
    for (int l = 1; l <= net.layerCount() - 2; ++l)
        for (int j = 0; j < net.hiddenCount(l); ++j)
            for (const auto& c : net.hiddenNode(l, j).outgoing) w.push_back(c.weight);
    return w;
}

void trainOnce(NeuroNetz_t& net, const std::vector<double>& in, double target) {
    net.resetInputs();
    for (int i = 0; i < static_cast<int>(in.size()); ++i) net.setInput(i, in[i]);
    net.propagate();
    net.clearErrors();
    net.outputError(0, target, 1.0);
    net.backpropagate();
}

TEST(NeuroNetz, HandComputedForwardPassAndGradients) {
    NeuroNetz_t net(3);
    ASSERT_TRUE(readText(net, SmallTopology + SmallWeights));
    EXPECT_EQ(net.weightCount(), 9);

    net.resetInputs();
    net.setInput(0, 0.4);
    net.setInput(1, -0.6);
    net.propagate();
    const double h0 = std::tanh(0.4 * 0.5 - 0.6 * 1.0 + 0.1);
    const double h1 = std::tanh(0.4 * -0.25 - 0.6 * 0.75 - 0.2);
    const double y = 0.3 + 2.0 * h0 - 1.0 * h1;
    EXPECT_NEAR(net.output(0), y, 1e-15);

    net.clearErrors();
    net.outputError(0, 1.0, 0.5);
    net.backpropagate();
    const double d = 2.0 * 0.5 * (1.0 - y) / 9;
    const auto& out = net.outputNode(0);
    ASSERT_EQ(out.incoming.size(), 3u);  // hidden 0, hidden 1, then the bias
    EXPECT_NEAR(out.incoming[0].gradient, d * h0, 1e-15);
    const double g0 = (1.0 - h0 * h0 + 0.001) * d * 2.0;
    const auto& hidden0 = net.hiddenNode(1, 0);
    ASSERT_EQ(hidden0.incoming.size(), 3u);  // input 0, input 1, bias
    EXPECT_NEAR(hidden0.incoming[1].gradient, g0 * -0.6, 1e-15);
    EXPECT_NEAR(hidden0.incoming[2].gradient, g0, 1e-15);  // the bias
}

TEST(NeuroNetz, WriteThenReadRestoresWeightsAndState) {
    NeuroNetz_t net(4);
    ASSERT_TRUE(readText(net, SmallTopology + SmallWeights));
    for (int round = 0; round < 30; ++round) {
        trainOnce(net, {0.5, -1.0}, 0.7);
        trainOnce(net, {-0.5, 0.3}, -0.2);
        net.updateWeights();
    }
    const std::string text = writeText(net, true);

    NeuroNetz_t copy(3);
    ASSERT_TRUE(readText(copy, text));
    const std::vector<double> a = weights(net), b = weights(copy);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 1e-9 * std::fabs(a[i])) << i;
    EXPECT_EQ(writeText(copy, true), text);  // a fixed point: topology and training state came back too
}

TEST(NeuroNetz, ReadRejectsMalformedTextsAndTheTrainingStateIsOptional) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"empty", ""},
        {"count past the end", "40\n3 0 2 1 2 2 1  0 0 1 0  0 0 1 1  0 1 1 0  0 1 1 1  1 0 2 0  1 1 2 0\n"},
        {"huge layer", "31\n3 0 2000000000 1 2 2 1  0 0 1 0  0 0 1 1  0 1 1 0  0 1 1 1  1 0 2 0  1 1 2 0\n"},
        {"target node missing",
         "31\n3 0 2 1 2 2 1  0 0 1 2  0 0 1 1  0 1 1 0  0 1 1 1  1 0 2 0  1 1 2 0\n" + SmallWeights},
        {"backward connection",
         "31\n3 0 2 1 2 2 1  1 0 1 1  0 0 1 1  0 1 1 0  0 1 1 1  1 0 2 0  1 1 2 0\n" + SmallWeights},
        {"missing weight", SmallTopology + "0.5 -0.25 1.0 0.75 0.1 -0.2 0.3 2.0\n"},
        {"truncated state", SmallTopology + SmallWeights + "1\n1 0.1 1 0.1 1 0.1\n1 0.1 -1\n"},
    };
    for (const auto& [what, text] : bad) {
        NeuroNetz_t net(3);
        EXPECT_FALSE(readText(net, text)) << what;
    }
    NeuroNetz_t net(3);
    ASSERT_TRUE(readText(net, SmallTopology + SmallWeights));
    EXPECT_EQ(net.outputNode(0).incoming[0].step, 1e-7);  // the starting step
}

TEST(NeuroNetz, UpdatesClipWeightsAndStepsAndZeroGradientsShrinkTheStep) {
    {
        // One bias-to-output weight pushed up past the clip.
        NeuroNetz_t net(3);
        ASSERT_TRUE(readText(net, "7\n3 0 0 1 0 2 1\n\n19.9\n1\n1 0.4\n"));
        for (int i = 0; i < 3; ++i) {
            trainOnce(net, {}, 100.0);
            net.updateWeights();
        }
        EXPECT_EQ(weights(net)[0], 19.9999999);
        EXPECT_EQ(net.outputNode(0).incoming[0].step, 0.5);
    }

    // Zero gradients flip the direction at every update and shrink the step to its floor
    // (from 1e-7 by 0.55 an update, 1e-11 is reached after 16 of the 40).
    NeuroNetz_t net(3);
    ASSERT_TRUE(readText(net, SmallTopology + SmallWeights));
    for (int update = 1; update <= 40; ++update) {
        net.updateWeights();
        EXPECT_EQ(net.hiddenNode(1, 1).incoming[0].direction, update % 2 ? -1 : 1) << update;
    }
    for (const auto& r : net.outputNode(0).incoming) EXPECT_EQ(r.step, 1e-11);
    EXPECT_NEAR(weights(net)[0], 0.5, 1e-6);  // oscillates around where it was
}

// "time read" of a network followed by anything but blank space, or of a file holding the
// network twice, is refused and keeps the trainer's network as it was.
TEST(ZeitnetzTrainer, ReadRefusesTextAfterTheNetwork) {
    std::vector<std::string> messages;
    ZeitnetzTrainer_t trainer(3, [&messages](const std::string& m) { messages.push_back(m); });
    std::ostringstream textOut;
    ASSERT_TRUE(trainer.network().write(textOut, true));
    const std::string before = textOut.str(), other = Zeitnetz_t::embeddedText();

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"garbage.net", other + "garbage\n"},
        {"twice.net", other + other},
        {"state then garbage.net", before + "x"},
        {"truth value 2.net", other + "2\n"},
    };
    for (const auto& [name, text] : bad) {
        const std::string path = test::writeTempFile(name, text);
        EXPECT_FALSE(trainer.read(path)) << name;
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), "info string error reading file: " + path);
        std::ostringstream after;
        ASSERT_TRUE(trainer.network().write(after, true));
        EXPECT_EQ(after.str(), before) << name;
    }
    // Blank space after the network, and the state with nothing after it, are fine.
    EXPECT_TRUE(trainer.read(test::writeTempFile("spaces.net", other + "\n \t\n")));
    EXPECT_TRUE(trainer.read(test::writeTempFile("state.net", before)));
    EXPECT_EQ(messages.size(), bad.size());
}

ZeitnetzEingabe_t input(int rootMoves) {
    Iterationsmerkmale_t r, p;
    r.rootMoves = rootMoves;
    return Zeitnetz_t::encodeInputs(r, p);
}

// The embedded text read back writes the same text, digit for digit.
TEST(Zeitnetz, EmbeddedNetworkShapeAndBiasPath) {
    Zeitnetz_t net;
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
    EXPECT_STREQ(e.text, "1 0 1 1 0 0 1 0 1 0.75 0.390625 0.25 0.5 0.2 0.1 0.237375 ");
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

// Two lines of a time log written by timed searches of middlegame positions, one just after the
// best move changed and one of a settled search. The outputs were computed outside the program,
// from the embedded weights, by scripts/time_net.py.
TEST(Zeitnetz, RecordedIterationsGiveHandComputedOutputs) {
    Zeitnetz_t net;
    const struct {
        const char* line;
        double output;
    } recorded[] = {
        {"1 1 0 0 0 0 0 0 0 1.075 0.578125 0.350411 0.490907 0.293077 0.063197 0.147155 ", 0.188093045447235},
        {"0 0 0 1 1 0 0 0 0 1.025 0.609375 0.791174 0.298701 0.170602 0.0824479 0.0379838 ",
         0.0628535213403249},
    };
    for (const auto& r : recorded) {
        double values[TimeNetInputs];
        ASSERT_TRUE(Zeitnetz_t::decodeInputs(r.line, values)) << r.line;
        EXPECT_NEAR(net.timeFactor(values), r.output, 1e-12) << r.line;
    }
}

// The same iteration once with the best move kept and once with a new one: the change must buy
// time, and neither may sit on the 0.02 floor, where the factor would no longer tell them apart.
TEST(Zeitnetz, ABestMoveChangeBuysMoreTimeThanAStableIteration) {
    const Iterationsmerkmale_t previous{.totalNodes = 40000, .pv = {11, 12, 13, 14}, .score = 30};
    Iterationsmerkmale_t stable{.rootMoves = 41,
                                .attackedSquares = 37,
                                .bestMoveNodes = 70000,
                                .largestOtherNodes = 8000,
                                .secondLargestOtherNodes = 5000,
                                .totalNodes = 100000,
                                .pv = {11, 12, 13, 14},
                                .score = 35};
    Iterationsmerkmale_t changed = stable;
    changed.changedNow = 1;
    const Zug_t newLine[4] = {21, 22, 23, 24};
    std::copy(std::begin(newLine), std::end(newLine), changed.pv);

    Zeitnetz_t net;
    ZeitnetzEingabe_t encoded;
    const double calm = net.factorAfterIteration(6, 140000, false, stable, previous, encoded);
    EXPECT_STREQ(encoded.text, "0 0 0 1 1 0 0 0 0 1.025 0.578125 0.285714 0.7 0.08 0.05 0.0118714 ");
    const double unsettled = net.factorAfterIteration(6, 140000, false, changed, previous, encoded);
    EXPECT_STREQ(encoded.text, "1 0 0 0 0 0 0 0 0 1.025 0.578125 0.285714 0.7 0.08 0.05 0.0118714 ");
    EXPECT_GT(calm, MinTimeFactor + 0.02);
    EXPECT_GT(unsettled, 2 * calm);
}

TEST(Zeitnetz, DriverFactorRule) {
    EXPECT_EQ(iterationTimeFactor(1, 100000, true, 0.5), 0.15);
    EXPECT_EQ(iterationTimeFactor(2, 5000, false, 0.5), 0.08);  // not more than 5000 nodes yet
    EXPECT_EQ(iterationTimeFactor(2, 5001, false, 0.5), 0.5);
    EXPECT_DOUBLE_EQ(iterationTimeFactor(9, 5001, true, 0.5), 0.57);
    EXPECT_EQ(iterationTimeFactor(9, 5001, false, -0.3), 0.02);
    EXPECT_EQ(iterationTimeFactor(9, 5001, false, std::numeric_limits<double>::quiet_NaN()), 0.08);
}

TEST(Zeitprotokoll, EmptyLogWritesNothingAndLateIterationsAreIgnored) {
    test::TempDir dir;
    const std::string file = dir.path("time.log");
    Zeitprotokoll_t log;
    EXPECT_TRUE(log.append(file.c_str()));  // nothing to write: no file appears
    EXPECT_FALSE(std::filesystem::exists(file));

    log.record(input(40), 0.08, 1, 29999);  // just within the limit
    log.record(input(99), 9.0, 1, 30000);   // past it
    ASSERT_EQ(log.lineCount(), 1);
    EXPECT_STREQ(log.line(0), "0 0 0 1 1 1 1 0 0 1 0 0 0 0 0 0 0.08 1");
    EXPECT_STREQ(log.line(1), "");
    ASSERT_TRUE(log.append(file.c_str()));
    ASSERT_TRUE(log.append(file.c_str()));  // appended, not overwritten
    EXPECT_EQ(test::fileLines(file), std::vector<std::string>(2, log.line(0)));
}

}  // namespace

}  // namespace tolvaren
