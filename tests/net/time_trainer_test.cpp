#include "net/time_trainer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "board/random.h"
#include "support/test_files.h"

namespace tolvaren {
namespace {

class TimeTrainer : public ::testing::Test {
   protected:
    void SetUp() override { Zufall_t::global().seed(2024); }
    std::string path(const std::string& name) const { return dir.path(name); }

    // `count` samples of a smooth target; `partial` adds an incomplete one at the end.
    std::string writeSamples(const std::string& name, int count, bool partial = false) {
        Zufall_t r;
        r.seed(7);
        std::ofstream out(path(name));
        for (int s = 0; s < count; ++s) {
            double x[TimeNetInputs];
            for (double& v : x) {
                v = r.real(0.0, 1.0);
                out << v << ' ';
            }
            out << "0.5 " << 0.2 + 0.3 * x[0] - 0.2 * x[3] + 0.1 * x[7] * x[12] << '\n';
        }
        if (partial) out << "0.1 0.2 0.3\n";
        return path(name);
    }

    void run(const std::string& args) { timeCommand(args, trainer, sink); }

    test::TempDir dir;
    std::vector<std::string> messages;
    ZeitnetzTrainer_t::MessageSink sink = [this](const std::string& m) { messages.push_back(m); };
    std::unique_ptr<ZeitnetzTrainer_t> trainer;
};

double rmsOf(const std::string& message) {
    const std::string prefix = "info string Mittlerer Fehler ";
    EXPECT_EQ(message.substr(0, prefix.size()), prefix);
    return std::atof(message.c_str() + prefix.size());
}

TEST_F(TimeTrainer, SampleFilesYieldExactlyTheirCompleteSamples) {
    const std::string file = writeSamples("a.txt", 3, true);
    run(" add " + file);
    ASSERT_TRUE(trainer);
    EXPECT_EQ(trainer->sampleCount(), 3u);
    run(" add " + writeSamples("b.txt", 2));  // last line ends in a line break, nothing follows
    EXPECT_EQ(trainer->sampleCount(), 5u);
    EXPECT_TRUE(messages.empty());
    run(" add " + path("missing.txt"));
    EXPECT_EQ(messages, std::vector<std::string>{"info string file not found: " + path("missing.txt")});
    EXPECT_EQ(trainer->sampleCount(), 5u);
}

TEST_F(TimeTrainer, AddInitLearnWriteRoundTrip) {
    run(" learn 5");  // no trainer yet: nothing happens
    EXPECT_FALSE(trainer);
    EXPECT_TRUE(messages.empty());

    run(" add " + writeSamples("s.txt", 60));
    run(" init");
    run(" learn 200");
    run(" learn 200");
    run(" write " + path("net.txt"));
    ASSERT_EQ(messages.size(), 2u);
    const double first = rmsOf(messages[0]), second = rmsOf(messages[1]);
    EXPECT_LT(second, first);
    EXPECT_LT(second, 0.1);

    NeuroNetz_t net(3);
    std::ifstream in(path("net.txt"));
    ASSERT_TRUE(net.read(in));
    EXPECT_EQ(net.topology(), trainer->network().topology());
    EXPECT_EQ(net.weightCount(), 91);
    int rest = 0;
    EXPECT_FALSE(in >> rest);  // written without training state

    // The file read back by the trainer continues from the same weights.
    const double before = trainer->learn(1);
    run(" read " + path("net.txt"));
    EXPECT_NEAR(trainer->learn(1), before, 1e-6);
}

TEST_F(TimeTrainer, FailuresSpeakAndKeepTheNetwork) {
    trainer = std::make_unique<ZeitnetzTrainer_t>(5, sink);
    run(" learn 10");
    run(" add " + writeSamples("s.txt", 4));
    run(" learn 0");  // no epoch run: the "no epoch" error value
    run(" learn -3");
    EXPECT_EQ(messages,
              (std::vector<std::string>{"info string nothing to learn", "info string Mittlerer Fehler 9.9",
                                        "info string Mittlerer Fehler 9.9"}));

    messages.clear();
    run(" init 3");
    trainer->network().inputNode(0).outgoing[0].weight = 0.75;
    std::ofstream(path("bad.txt")) << "7\n2 0 1 1 1 0 0\n";
    run(" read " + path("bad.txt"));
    run(" write " + path("no/such/dir/net.txt"));
    EXPECT_EQ(messages,
              (std::vector<std::string>{"info string error reading file: " + path("bad.txt"),
                                        "info string error writing file: " + path("no/such/dir/net.txt")}));
    EXPECT_EQ(trainer->network().hiddenCount(1), 3);
    EXPECT_EQ(trainer->network().inputNode(0).outgoing[0].weight, 0.75);
}

TEST_F(TimeTrainer, CommandParsing) {
    run(" init 7");
    ASSERT_TRUE(trainer);
    EXPECT_EQ(trainer->network().hiddenCount(1), 7);
    run(" init");
    EXPECT_EQ(trainer->network().hiddenCount(1), 5);
    run(" init many");  // not a number: no hidden nodes
    EXPECT_EQ(trainer->network().hiddenCount(1), 0);
    EXPECT_EQ(trainer->network().weightCount(), 1);

    run(" deleted");
    EXPECT_TRUE(trainer);
    run(" delete\r\n");
    EXPECT_FALSE(trainer);
    run(" write " + path("x.txt"));  // no trainer: nothing written, none created
    EXPECT_FALSE(trainer);

    // "read" ends the command, so the write after it is never reached.
    run(" read " + path("a.txt") + " write " + path("x.txt"));
    ASSERT_TRUE(trainer);
    EXPECT_EQ(messages, std::vector<std::string>{"info string error reading file: " + path("a.txt") +
                                                 " write " + path("x.txt")});
    messages.clear();

    // Names are trimmed; names of 1024 characters or more are refused without a word.
    const std::string file = writeSamples("s.txt", 2);
    run(" add \t " + file + " \t\r\n");
    EXPECT_EQ(trainer->sampleCount(), 2u);
    run(" add " + std::string(1023, 'n'));
    EXPECT_EQ(messages.size(), 1u);
    run(" add " + std::string(1024, 'n'));
    EXPECT_EQ(messages.size(), 1u);

    // "init" and "learn" go on to "write" in one command.
    messages.clear();
    run(" delete");
    run(" init 2 learn 3 write " + path("y.txt"));
    EXPECT_TRUE(std::filesystem::exists(path("y.txt")));
    EXPECT_EQ(messages, std::vector<std::string>{"info string nothing to learn"});
}

}  // namespace
}  // namespace tolvaren
