// An installed engine finds its data from any working directory: the book and the
// bitbases of a staged tree (bin/ beside share/tolvaren/), named only by their defaults.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/test_files.h"

namespace tolvaren {

namespace fs = std::filesystem;

TEST(InstalledTree, BookAndBitbasesAreFoundFromElsewhere) {
    constexpr int Timeout = 60000;
    test::TempDir root;
    const fs::path prefix = fs::path(root.path()) / "usr";
    const fs::path data = prefix / "share/tolvaren";
    fs::create_directories(prefix / "bin");
    fs::create_directories(data / "bitbases");
    fs::create_directories(fs::path(root.path()) / "elsewhere");
    const std::string engine = (prefix / "bin/tolvaren").string();
    fs::copy_file(TOLVAREN_ENGINE_PATH, engine);
    fs::permissions(engine, fs::perms::owner_all);
    fs::copy_file(fs::path(TOLVAREN_ENGINE_PATH).parent_path() / "Tolvaren.opn", data / "Tolvaren.opn");
    {
        test::EngineProcess generate(engine, {"--CreateBitbase", "KDK"}, (data / "bitbases").string());
        ASSERT_EQ(generate.waitExit(Timeout), 0);
    }

    test::EngineProcess installed(engine, {}, root.path() + "/elsewhere");
    installed.send("uci");
    installed.send("setoption name BitbaseCache value 16");
    installed.send("position fen 8/8/8/4k3/8/8/8/KQ6 w - - 0 1");
    installed.send("go depth 5");
    std::vector<std::string> report;
    ASSERT_TRUE(installed.readUntil("bestmove", Timeout, &report));
    bool probed = false;
    for (const std::string& line : report) {
        const std::size_t at = line.find(" tbhits ");
        probed = probed || (at != std::string::npos && std::stoll(line.substr(at + 8)) > 0);
    }
    EXPECT_TRUE(probed) << report.back();

    // The book answers at once, without a search.
    installed.send("position startpos");
    installed.send("go depth 5");
    report.clear();
    ASSERT_TRUE(installed.readUntil("bestmove", Timeout, &report));
    EXPECT_TRUE(report.empty()) << report.front();
    installed.send("quit");
    EXPECT_EQ(installed.waitExit(Timeout), 0);
}

}  // namespace tolvaren
