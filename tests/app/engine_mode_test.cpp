// Start-up as seen from outside: the command line and the lines before the protocol word.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "support/engine_process.h"

namespace tolvaren {

namespace {
using test::EngineProcess;
constexpr int Timeout = 20000;
const std::string Expected = "'uci' or 'xboard' expected";
}  // namespace

TEST(EngineMode, LinesBeforeTheProtocolWord) {
    EngineProcess engine;
    engine.send("");
    engine.send("   \t ");
    engine.send("UCI");
    engine.send(std::string(100000, 'z'));
    engine.send(std::string("\x80\xff\x01", 3));
    engine.send("uci");
    EXPECT_EQ(engine.readLine(Timeout), "id name Tolvaren 2017-01-01");
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(Timeout), 0);
    // One message per rejected line; the 100000-character line arrives in three pieces.
    EXPECT_EQ(engine.readAllErrLines(Timeout), std::vector<std::string>(5, Expected));
}

// A bad argument is reported and skipped; input that ends before any protocol word ends the engine quietly.
TEST(EngineMode, IllegalArgumentsAreReportedAndNoInputEndsTheEngine) {
    EngineProcess engine({"two words"});
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(Timeout), 0);
    EXPECT_TRUE(engine.readAllLines(Timeout).empty());
    EXPECT_EQ(engine.readAllErrLines(Timeout),
              std::vector<std::string>{"illegal command line argument argv[1] = \"two words\""});
}

// The switches that answer and exit do so without reading input; anything else around
// them is still an illegal argument of engine mode.
TEST(EngineMode, BenchHelpAndVersionExitAtOnce) {
    const auto run = [](const std::vector<std::string>& args) {
        EngineProcess engine(args);
        const std::optional<int> status = engine.waitExit(Timeout * 6);  // input stays open
        return std::tuple(status, engine.readAllLines(Timeout), engine.readAllErrLines(Timeout));
    };
    const auto [benchStatus, bench, benchErrors] = run({"bench", "3"});
    ASSERT_EQ(bench.size(), 2u);
    const auto figure = [](const std::string& line, const std::string& label) {
        const std::string number = line.substr(std::min(line.size(), label.size()));
        return line.rfind(label, 0) == 0 && !number.empty() &&
               number.find_first_not_of("0123456789") == std::string::npos;
    };
    EXPECT_TRUE(figure(bench[0], "bench: nodes ") && figure(bench[1], "bench: nps ")) << bench[0] << bench[1];
    EXPECT_EQ(std::tuple(benchStatus, benchErrors.size()), std::tuple(std::optional<int>(0), 0u));

    // The same search as the UCI command's.
    EngineProcess uci;
    uci.send("uci");
    uci.send("bench 3");
    EXPECT_EQ(uci.readUntil("bench: nodes", Timeout * 6), bench[0]);
    uci.closeInput();

    const auto [helpStatus, help, helpErrors] = run({"--help"});
    EXPECT_EQ(helpStatus, 0);
    std::string text;
    for (const std::string& line : help) text += line + "\n";
    for (const char* mode : {"bench", "--CreateBitbase [Threads=N]", "--CreateBitbaseParallel",
                             "--ExplainBitbase", "--CSVN", "--Testpos", "--book add", "--book addpos",
                             "--book write", "--book stats", "--Rnd", "--RndMate", "--version", "-h"})
        EXPECT_NE(text.find(mode), std::string::npos) << mode;
    EXPECT_EQ(std::get<1>(run({"-h"})), help);
    EXPECT_EQ(run({"--version"}),
              std::tuple(std::optional<int>(0), std::vector<std::string>{"Tolvaren 2017-01-01"},
                         std::vector<std::string>{}));

    // Not alone, or spelt otherwise, they are engine-mode arguments as before.
    EngineProcess engine({"--version", "Bench", "--Help"});
    engine.send("uci");
    EXPECT_EQ(engine.readLine(Timeout), "id name Tolvaren 2017-01-01");
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(Timeout), 0);
    EXPECT_EQ(engine.readAllErrLines(Timeout),
              (std::vector<std::string>{"illegal command line argument argv[1] = \"--version\"",
                                        "illegal command line argument argv[2] = \"Bench\"",
                                        "illegal command line argument argv[3] = \"--Help\""}));
}

}  // namespace tolvaren
