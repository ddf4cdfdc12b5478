// The book as a GUI sees it: a book move answers "go" with "bestmove" and the book's ponder
// move and no "info" line; pondering on it waits; analysis searches.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/test_files.h"
#include "support/uci_engine.h"

namespace tolvaren {

namespace {

constexpr int Timeout = 30000;

using Engine = test::UciEngine;

using test::startsWith;

int infoLines(const std::vector<std::string>& lines) {
    return test::countStartingWith(lines, "info");
}

// With "debug on" every search prints "info" lines: none means no search ran.
void useBook(Engine& e, const std::string& path) {
    e.send("debug on");
    e.send("setoption name BookFile value " + path);
}

}  // namespace

TEST(BookProcess, BookMovesAnswerAtOnceWithoutInfoAndPonderingWaits) {
    const std::string black = test::writeTempFile("black.opn", "e2e4 10 e7e5 5 * c7c5 1 * * *");
    Engine e;
    useBook(e, black);
    e.send("position startpos");
    e.send("go depth 2");
    EXPECT_EQ(e.untilBestMove(), std::vector<std::string>{"bestmove e2e4 ponder e7e5"});

    // Pondering on a book move holds it back until "ponderhit" or "stop".
    e.send("position startpos");
    for (const char* release : {"ponderhit", "stop"}) {
        e.send("go ponder wtime 1000 btime 1000");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        e.send("isready");
        std::vector<std::string> before;
        ASSERT_TRUE(e.process.readUntil("readyok", Timeout, &before));
        EXPECT_TRUE(before.empty()) << before.front();
        e.send(release);
        EXPECT_EQ(e.untilBestMove(), std::vector<std::string>{"bestmove e2e4 ponder e7e5"});
    }
}

// Analysis, or a searchmoves list without the book move: each searches.
TEST(BookProcess, OtherwiseTheEngineSearches) {
    const std::string good = test::writeTempFile("good.opn", "e2e4 1 * *");
    auto searches = [](Engine& e, const std::string& go) {
        e.send("position startpos");
        e.send(go);
        if (go == "go infinite") {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            e.send("stop");
        }
        const auto lines = e.untilBestMove();
        return infoLines(lines) > 0 && startsWith(lines.back(), "bestmove ");
    };
    Engine e;
    useBook(e, good);
    EXPECT_TRUE(searches(e, "go depth 2 searchmoves d2d4"));
    EXPECT_TRUE(searches(e, "go infinite"));  // a book answer would come without "info"
}

}  // namespace tolvaren
