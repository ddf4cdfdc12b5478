// The regression tool: comparison with the file's moves, the same answers on any number of threads.
#include "tools/testpos.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/tools_test_support.h"

namespace tolvaren {

using namespace test;

TEST(Testpos, ComparesWithTheFile) {
    const std::string file = writeTempFile(
        "testpos", std::string(MateInOne) + " bm Ra8#;\n" +
                       "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 0 4 bm h5f7\n"
                       "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 0 4 bm Nc3 a3;\n"
                       "no position\n"
                       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n");
    const std::string prefix = "<" + file + ">: Partie ";
    TestposSettings settings;
    settings.nodes = 2000;
    settings.workers = 2;
    CapturedFile out, err;
    ASSERT_EQ(runTestpos(file.c_str(), settings, out.get(), err.get()), 0);
    const auto lines = out.lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], prefix + "     1 agrees a1a8");
    EXPECT_EQ(lines[1], prefix + "     2 agrees h5f7");
    EXPECT_EQ(lines[2], prefix + "     3 differs h5f7, file has b1c3 a2a3");
    EXPECT_EQ(lines[3], prefix + "     4 not a position");
    EXPECT_TRUE(
        startsWith(lines[5], "<" + file + ">: 5 positions, 3 compared, 2 agree (66.7%), 1 not positions;"))
        << lines[5];
    EXPECT_TRUE(err.lines().empty());
}

TEST(Testpos, AnswersDoNotDependOnTheThreads) {
    // Middlegames where a small node budget leaves real choices; each worker clears its table.
    std::string text;
    const char* const fens[] = {
        "r1bqk2r/1pppbppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQ1RK1 w kq - 0 1",
        "r2q1rk1/pb3ppp/1pnbp3/2ppN3/3PnP2/2PBP1B1/PP1N2PP/R2QK2R w KQ - 0 1",
        "8/p4pk1/1p4p1/2r4p/7P/1P4P1/P4PK1/3R4 w - - 0 1",
    };
    for (int i = 0; i < 12; ++i) text += std::string(fens[i % 3]) + "\n";
    const std::string file = writeTempFile("testpos_threads", text);
    std::vector<std::string> answers[2];
    for (int run = 0; run < 2; ++run) {
        TestposSettings settings;
        settings.nodes = 20000;
        settings.workers = run == 0 ? 1 : 3;
        CapturedFile out, err;
        ASSERT_EQ(runTestpos(file.c_str(), settings, out.get(), err.get()), 0);
        answers[run] = out.lines();
        ASSERT_EQ(answers[run].size(), 13u);
        answers[run].pop_back();  // the summary with its times
    }
    EXPECT_EQ(answers[0], answers[1]);
}

}  // namespace tolvaren
