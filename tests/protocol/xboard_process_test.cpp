// The XBoard conversation as a GUI sees it, through the engine's standard streams.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace tolvaren {

namespace {

using test::EngineProcess;

constexpr int Timeout = 20000;

const std::vector<std::string> Features = {
    "feature done=0",
    "feature myname=\"Tolvaren 2017-01-01\"",
    "feature ping=1",
    "feature setboard=1",
    "feature playother=1",
    "feature usermove=1",
    "feature sigint=0",
    "feature variants=\"normal,fischerandom\"",
    "feature colors=0",
    "feature ics=0",
    "feature name=1",
    "feature memory=1",
    "feature smp=1",
};

// Runs the test inside a fresh directory, so that the engine finds no "Tolvaren.ini".
class WorkingDirectory {
public:
    WorkingDirectory() : previous_(std::filesystem::current_path()) {
        char pattern[] = "/tmp/tolvaren-xboard-XXXXXX";
        path_ = mkdtemp(pattern);
        std::filesystem::current_path(path_);
    }
    ~WorkingDirectory() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// "xboard" and "protover 2"; returns the handshake lines up to "feature done=1".
std::vector<std::string> handshake(EngineProcess& engine) {
    engine.send("xboard");
    engine.send("protover 2");
    std::vector<std::string> lines;
    while (auto line = engine.readLine(Timeout)) {
        lines.push_back(*line);
        if (*line == "feature done=1") break;
    }
    return lines;
}

}  // namespace

TEST(XboardProcess, HandshakeWithoutIniFile) {
    WorkingDirectory dir;
    EngineProcess engine;
    std::vector<std::string> expected = Features;
    expected.push_back("Error (file 'Tolvaren.ini' not found): protover");
    expected.push_back("feature done=1");
    EXPECT_EQ(handshake(engine), expected);
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

TEST(XboardProcess, ErrorsPingAndQuit) {
    WorkingDirectory dir;
    EngineProcess engine;
    handshake(engine);
    engine.send("new");
    engine.send("level 1 2");
    engine.send("force");
    engine.send("usermove e2e5");
    engine.send("usermove e2e4");
    engine.send("usermove e2e4");
    engine.send("ping 7");
    EXPECT_EQ(engine.readLine(Timeout), "Error (bad parameters): level 1 2");
    EXPECT_EQ(engine.readLine(Timeout), "Illegal move: e2e5");
    EXPECT_EQ(engine.readLine(Timeout), "Illegal move: e2e4");  // Black is to move now
    EXPECT_EQ(engine.readLine(Timeout), "pong 7");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
    EXPECT_TRUE(engine.readAllLines(Timeout).empty());
}

TEST(XboardProcess, OldProtocolVersionEndsTheEngine) {
    WorkingDirectory dir;
    EngineProcess engine;
    engine.send("xboard");
    engine.send("protover 1");
    EXPECT_EQ(engine.readLine(Timeout), "Error (protocol version 2 required): 1");
    EXPECT_EQ(engine.waitExit(Timeout), 0);

    EngineProcess early;
    early.send("xboard");
    early.send("new");
    EXPECT_EQ(early.readLine(Timeout), "Error (protocol version 2 required): new");
    EXPECT_EQ(early.waitExit(Timeout), 0);
}

}  // namespace tolvaren

namespace tolvaren {

namespace {

bool isThinkingLine(const std::string& line) { return !line.empty() && std::isdigit(static_cast<unsigned char>(line[0])); }

// Skips thinking lines; returns the next other line.
std::optional<std::string> nextNonThinking(EngineProcess& engine) {
    while (auto line = engine.readLine(Timeout))
        if (!isThinkingLine(*line)) return line;
    return std::nullopt;
}

}  // namespace

TEST(XboardProcess, MoveNowAndDeferredPong) {
    WorkingDirectory dir;
    std::ofstream("Tolvaren.ini") << "setoption name OwnBook value false\n";  // search, not the book
    EngineProcess engine;
    handshake(engine);
    engine.send("new");
    engine.send("post");
    engine.send("st 30");
    engine.send("go");
    // A thirty-second search is under way; the pong must wait for its move.
    auto first = engine.readLine(Timeout);
    ASSERT_TRUE(first && isThinkingLine(*first)) << first.value_or("<none>");
    engine.send("ping 7");
    engine.send("?");
    auto move = nextNonThinking(engine);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->rfind("move ", 0), 0u) << *move;
    EXPECT_EQ(nextNonThinking(engine), "pong 7");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

TEST(XboardProcess, PonderHitAndAnalysis) {
    WorkingDirectory dir;
    EngineProcess engine;
    handshake(engine);
    engine.send("new");
    engine.send("hard");
    engine.send("nopost");
    engine.send("level 40 0:10 0");
    engine.send("time 1000");
    engine.send("otim 1000");
    engine.send("go");
    auto move = engine.readLine(Timeout);
    ASSERT_TRUE(move && move->rfind("move ", 0) == 0) << move.value_or("<none>");
    // The expected reply is the hint; playing it turns the ponder search into the real one.
    engine.send("hint");
    auto hint = engine.readLine(Timeout);
    ASSERT_TRUE(hint && hint->rfind("Hint: ", 0) == 0) << hint.value_or("<none>");
    engine.send("time 1000");
    engine.send("usermove " + hint->substr(6));
    move = engine.readLine(Timeout);
    ASSERT_TRUE(move && move->rfind("move ", 0) == 0) << move.value_or("<none>");

    engine.send("force");
    engine.send("post");
    engine.send("analyze");
    auto thinking = engine.readLine(Timeout);
    ASSERT_TRUE(thinking && isThinkingLine(*thinking)) << thinking.value_or("<none>");
    engine.send(".");
    std::vector<std::string> skipped;
    EXPECT_TRUE(engine.readUntil("stat01:", Timeout, &skipped));
    engine.send("exit");
    engine.send("ping 9");
    EXPECT_EQ(nextNonThinking(engine), "pong 9");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

}  // namespace tolvaren
