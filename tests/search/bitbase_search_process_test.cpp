// The search with bitbases, as a GUI sees it: a drawn rook-against-bishop ending is
// reported as a draw with bitbase hits, and "BitbaseCache" 0 probes nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bitbase/bitbase_generator.h"
#include "bitbase/bitbase_test_support.h"
#include "support/uci_engine.h"

namespace tolvaren {

namespace {

// The last score and whether any line reported bitbase hits.
struct Report {
    std::string score;
    bool hits = false;
};

Report search(int cacheMegabytes, const std::string& path, const std::string& fen) {
    test::UciEngine engine;
    engine.send("debug on");  // every iteration's line is printed
    engine.send("setoption name BitbaseCache value " + std::to_string(cacheMegabytes));
    engine.send("setoption name BitbasePath value " + path);
    engine.send("position fen " + fen);
    engine.send("go depth 12");
    Report report;
    for (const std::string& line : engine.untilBestMove()) {
        report.hits |= line.find(" tbhits ") != std::string::npos;
        const size_t at = line.find(" score ");
        if (at != std::string::npos) report.score = line.substr(at + 7, line.find(" time ") - at - 7);
    }
    return report;
}

}  // namespace

TEST(BitbaseSearchProcess, DrawnEndingIsADrawWithBitbasesOnly) {
    testing::ScratchDirectory dir;
    BitbaseGenerationOptions options;
    options.directory = dir.path();
    options.out = options.err = std::tmpfile();
    for (const char* name : {"KTK", "KLK", "KTKL", "KLKT"})
        ASSERT_EQ(generateBitbase(name, options), 0) << name;
    std::fclose(options.out);

    // White Ke2 Rd2, Black Ke6 Bd5: the rook cannot win.
    const std::string drawn = "8/8/4k3/3b4/8/8/3RK3/8 w - - 0 1";
    const Report with = search(16, dir.path(), drawn);
    EXPECT_TRUE(with.hits);
    EXPECT_EQ(with.score, "cp 0");
    const Report without = search(0, dir.path(), drawn);
    EXPECT_FALSE(without.hits);
    EXPECT_FALSE(without.score.empty());
}

}  // namespace tolvaren
