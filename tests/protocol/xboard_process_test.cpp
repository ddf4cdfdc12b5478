// An XBoard game as a GUI plays it, through the engine's standard streams: the adapter's
// own test covers each command, this one shows them reaching the real search and back
// (the variation replay test plays pondering and hints).
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
