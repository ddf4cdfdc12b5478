// The UCI conversation as a GUI sees it, through the engine's standard streams; and an XBoard
// game as a GUI plays it: the adapter's own test covers each command, this one shows them
// reaching the real search and back (the variation replay test plays pondering and hints).
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/test_files.h"

namespace tolvaren {

namespace {

using test::EngineProcess;

constexpr int Timeout = 20000;

const std::vector<std::string> UciAnswer = {
    "id name Tolvaren 2017-01-01",
    "id author Kestrane",
    "option name Hash type spin default 3 min 1 max 1000",
    "option name Ponder type check default true",
    "option name OwnBook type check default true",
    "option name Clear Hash type button",
    "option name MultiPV type spin default 1 min 1 max 10",
    "option name MultiPV_Score type spin default 0 min 0 max 1000",
    "option name UCI_Chess960 type check default false",
    "option name BookFile type string default Tolvaren.opn",
    "option name UCI_Opponent type string default none none human none",
    "option name NumberOfProcessors type spin default 1 min 1 max 4",
    "option name TimeLogfile type string default /dev/null",
    "uciok",
};

// Reads the answer to "uci" line by line.
std::vector<std::string> readHandshake(EngineProcess& engine) {
    std::vector<std::string> lines;
    while (auto line = engine.readLine(Timeout)) {
        lines.push_back(*line);
        if (*line == "uciok") break;
    }
    return lines;
}

// Runs the test inside a fresh directory, so that the engine finds no "Tolvaren.ini".
class WorkingDirectory {
   public:
    WorkingDirectory() { std::filesystem::current_path(dir_.path()); }
    ~WorkingDirectory() { std::filesystem::current_path(previous_); }

   private:
    std::filesystem::path previous_ = std::filesystem::current_path();
    test::TempDir dir_;
};

// "xboard" and "protover 2"; true once the handshake has ended.
bool handshake(EngineProcess& engine) {
    engine.send("xboard");
    engine.send("protover 2");
    return engine.readUntil("feature done=1", Timeout).has_value();
}

bool isThinkingLine(const std::string& line) {
    return !line.empty() && std::isdigit(static_cast<unsigned char>(line[0]));
}

// Skips thinking lines; returns the next other line.
std::optional<std::string> nextNonThinking(EngineProcess& engine) {
    while (auto line = engine.readLine(Timeout))
        if (!isThinkingLine(*line)) return line;
    return std::nullopt;
}

}  // namespace

TEST(UciProcess, HandshakeIsreadyAndQuit) {
    EngineProcess engine;
    ASSERT_TRUE(engine.running());
    engine.send("uci and some more words");
    EXPECT_EQ(readHandshake(engine), UciAnswer);
    engine.send("isready");
    EXPECT_EQ(engine.readLine(Timeout), "readyok");
    // A second "uci" is no command any more; the next line out is the answer to isready.
    engine.send("uci");
    engine.send("isready");
    EXPECT_EQ(engine.readLine(Timeout), "readyok");
    engine.send("quit");
    engine.send("isready");
    engine.closeInput();
    EXPECT_TRUE(engine.readAllLines(Timeout).empty());
    EXPECT_EQ(engine.waitExit(Timeout), 0);
    EXPECT_TRUE(engine.readAllErrLines(Timeout).empty());

    // "ucitest" answers commands but prints nothing when chosen.
    EngineProcess timing;
    timing.send("ucitest");
    timing.send("isready");
    timing.closeInput();
    EXPECT_EQ(timing.readAllLines(Timeout), std::vector<std::string>{"readyok"});
    EXPECT_EQ(timing.waitExit(Timeout), 0);
}

TEST(UciProcess, BadInputNeitherCrashesNorHangs) {
    EngineProcess engine;
    engine.send("uci");
    readHandshake(engine);
    engine.send(std::string(100000, 'x'));
    engine.send("isready " + std::string(100000, 'y'));
    std::string binary;
    for (int i = 0; i < 256; ++i)
        if (i != '\n') binary += static_cast<char>(i);
    engine.send(binary);
    engine.send(std::string("\xff\xfe isready \x01\x02", 13));
    engine.send("setoption name " + std::string(10000, 'n') + " value " + std::string(10000, '7'));
    engine.send("\r\n\t\v\f");
    engine.send("isready");
    // The long "isready" line is cut into pieces; its first piece is a real isready.
    EXPECT_EQ(engine.readLine(Timeout), "readyok");
    EXPECT_EQ(engine.readLine(Timeout), "readyok");
    engine.send("quit");
    engine.closeInput();
    EXPECT_TRUE(engine.readAllLines(Timeout).empty());
    EXPECT_EQ(engine.waitExit(Timeout), 0);
    EXPECT_TRUE(engine.readAllErrLines(Timeout).empty());
}

// "position", "perft", "eval" and "time" reach their handlers; the handlers' own tests
// cover the details.
TEST(UciProcess, PositionPerftEvalAndTimeCommands) {
    EngineProcess engine;
    engine.send("uci");
    ASSERT_TRUE(engine.readUntil("uciok", Timeout));
    auto perft = [&](const char* depth) {
        engine.send(std::string("perft depth ") + depth);
        const auto line = engine.readUntil("info depth", Timeout).value_or("<none>");
        return line.substr(line.rfind(' ') + 1);
    };
    // Kiwipete after two moves, counted by an independent engine.
    engine.send(
        "position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 moves e1g1 h3g2");
    EXPECT_EQ(perft("3"), "103491");

    engine.send("position startpos");
    engine.send("eval");
    EXPECT_EQ(engine.readUntil("info string final ", Timeout), "info string final 72");

    // The trainer's messages go to standard error.
    engine.send("time init");
    engine.send("time learn 5");
    EXPECT_EQ(engine.readErrLine(Timeout), "info string nothing to learn");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

TEST(XboardProcess, MoveNowDeferredPongAndAnalysis) {
    WorkingDirectory dir;
    std::ofstream("Tolvaren.ini") << "setoption name OwnBook value false\n";  // search, not the book
    EngineProcess engine;
    ASSERT_TRUE(handshake(engine));
    for (const char* line : {"new", "post", "level 40 5 0", "go"}) engine.send(line);
    // A long search is under way; the pong must wait for its move.
    auto first = engine.readLine(Timeout);
    ASSERT_TRUE(first && isThinkingLine(*first)) << first.value_or("<none>");
    engine.send("ping 7");
    engine.send("?");
    auto move = nextNonThinking(engine);
    ASSERT_TRUE(move && move->rfind("move ", 0) == 0) << move.value_or("<none>");
    EXPECT_EQ(nextNonThinking(engine), "pong 7");

    engine.send("force");
    engine.send("analyze");
    engine.send(".");
    EXPECT_TRUE(engine.readUntil("stat01:", Timeout));
    engine.send("exit");
    engine.send("ping 9");
    EXPECT_EQ(nextNonThinking(engine), "pong 9");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

}  // namespace tolvaren
