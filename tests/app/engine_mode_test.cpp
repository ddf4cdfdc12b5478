// Start-up as seen from outside: the command line and the lines before the protocol word.
#include <gtest/gtest.h>

#include <string>
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

}  // namespace tolvaren
