// The batch best-move tool: the ordered writer of its results, a run of 130 lines, missing files.
#include "tools/csvn.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/engine_process.h"
#include "tools/ordered_results.h"
#include "tools/tools_test_support.h"

namespace tolvaren {

using namespace test;

TEST(OrderedResults, WritesBatchesInOrderOnceMoreThanTheThresholdWait) {
    std::vector<long> written;
    OrderedResults<long> results(1, 100, 60, [&](long number, const long& value) {
        EXPECT_EQ(value, number);
        written.push_back(number);
    });
    // Pairs finish swapped, as on several threads; 101 waiting results trigger a batch.
    for (long n = 1; n <= 101; ++n) results.add(n % 2 ? n + 1 : n - 1, n % 2 ? n + 1 : n - 1);
    EXPECT_EQ(written.size(), 60u);
    EXPECT_EQ(results.waiting(), 41u);
    // 103 to 162 make 101 wait again; the batch stops short of the missing 101.
    for (long n = 103; n <= 162; ++n) results.add(n, n);
    EXPECT_EQ(written.size(), 100u);
    results.add(101, 101);  // 62 wait: no batch
    EXPECT_EQ(written.size(), 100u);
    results.flush();
    ASSERT_EQ(written.size(), 162u);
    for (long i = 0; i < 162; ++i) EXPECT_EQ(written[static_cast<size_t>(i)], i + 1);
}

TEST(Csvn, AnswersEveryLineInOrderWithALegalMove) {
    // 130 lines: enough for two batches, with mates, invalid lines and long lines among them.
    const std::vector<std::string> fens = {
        "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 0 4",
        MateInOne,
        "not a position at all",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 ; id \"" +
            std::string(60, 'x') + "\"",
    };
    std::string text;
    std::vector<std::string> lines;
    for (int i = 0; i < 130; ++i) {
        lines.push_back(fens[static_cast<size_t>(i) % fens.size()]);
        text += lines.back() + (i % 7 == 0 ? "  \t\n\n" : "\n");  // trailing blanks and blank lines
    }
    const std::string in = writeTempFile("csvn_in", text), out = tempPath("csvn_out");
    CsvnSettings settings;
    settings.nodes = 3000;
    CapturedFile err;
    ASSERT_EQ(runCsvn(in.c_str(), out.c_str(), settings, err.get()), 0);
    EXPECT_TRUE(err.lines().empty());

    const auto result = fileLines(out);
    ASSERT_EQ(result.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string kept = lines[i].substr(0, CsvnLineKept);
        ASSERT_EQ(result[i].substr(0, kept.size() + 4), kept + " bm ") << i;
        const std::string move = result[i].substr(kept.size() + 4);
        if (i % fens.size() == 2)
            EXPECT_EQ(move, "(not found)");
        else if (i % fens.size() <= 1)
            EXPECT_EQ(move, i % fens.size() == 0 ? "h5f7" : "a1a8");
        else
            EXPECT_TRUE(legalIn(lines[i], move)) << result[i];
    }
}

// Started from the command line, each tool names the file it could not open.
TEST(ToolsProcess, FailOnFilesTheyCannotUse) {
    const std::string missing = tempPath("missing"), out = tempPath("out2");
    for (const auto& arguments : {std::vector<std::string>{"--CSVN", missing, out}, {"--Testpos", missing}}) {
        EngineProcess e(arguments);
        EXPECT_EQ(e.waitExit(ToolTimeout), 1);
        EXPECT_EQ(e.readAllErrLines(ToolTimeout), std::vector<std::string>{"error opening file: " + missing});
    }
    EXPECT_FALSE(std::ifstream(out).good());  // no output for a missing input
}

}  // namespace tolvaren
