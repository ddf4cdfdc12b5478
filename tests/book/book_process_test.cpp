// The book as a GUI sees it: a book move answers "go" at once with "bestmove" and the
// book's ponder move and no "info" line; pondering on it waits for "ponderhit"; without
// a usable book, or when a search is asked for, the engine searches.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/uci_engine.h"

namespace tolvaren {

namespace {

constexpr int Timeout = 30000;

using Engine = test::UciEngine;

// A book file that lives as long as the test.
struct BookFile {
    std::string path;
    BookFile(const std::string& name, const std::string& text)
        : path(std::string(::testing::TempDir()) + "tolvaren_bookproc_" + name + "_" +
               std::to_string(::getpid())) {
        std::ofstream(path) << text;
    }
    ~BookFile() { std::remove(path.c_str()); }
};

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

int infoLines(const std::vector<std::string>& lines) {
    int n = 0;
    for (const auto& l : lines) n += startsWith(l, "info");
    return n;
}

// With "debug on" every search prints "info" lines: none means no search ran.
void useBook(Engine& e, const std::string& path) {
    e.send("debug on");
    e.send("setoption name BookFile value " + path);
}

}  // namespace

TEST(BookProcess, BookMovesFollowTheirWeightsWithoutSearching) {
    BookFile book("weights", "e2e4 3 * d2d4 1 * *");
    Engine e;
    useBook(e, book.path);
    int e4 = 0, d4 = 0;
    for (int i = 0; i < 400; ++i) {
        e.send("position startpos");
        e.send("go depth 2");
        const auto lines = e.untilBestMove();
        ASSERT_FALSE(lines.empty());
        ASSERT_EQ(infoLines(lines), 0);
        if (lines.back() == "bestmove e2e4") {
            ++e4;
        } else {
            ASSERT_EQ(lines.back(), "bestmove d2d4");
            ++d4;
        }
    }
    // Three in four, seeded from the clock: 300 +- 60 is seven standard deviations.
    EXPECT_GT(e4, 240);
    EXPECT_LT(e4, 360);
}

TEST(BookProcess, BlackBookMovesAndThePonderMove) {
    BookFile book("black", "e2e4 10 e7e5 5 * c7c5 1 * * *");
    Engine e;
    useBook(e, book.path);
    for (int i = 0; i < 10; ++i) {
        e.send("position startpos");
        e.send("go depth 2");
        EXPECT_EQ(e.untilBestMove().back(), "bestmove e2e4 ponder e7e5");
        e.send("position startpos moves e2e4");
        e.send("go depth 2");
        const auto lines = e.untilBestMove();
        EXPECT_EQ(infoLines(lines), 0);
        EXPECT_TRUE(lines.back() == "bestmove e7e5" || lines.back() == "bestmove c7c5") << lines.back();
    }
    // Out of the book: a normal search.
    e.send("position startpos moves e2e4 e7e5");
    e.send("go depth 3");
    EXPECT_GT(infoLines(e.untilBestMove()), 0);
}

TEST(BookProcess, PonderingOnABookMoveWaitsForPonderhitOrStop) {
    BookFile book("ponder", "e2e4 1 * *");
    Engine e;
    useBook(e, book.path);
    for (const char* release : {"ponderhit", "stop"}) {
        e.send("position startpos");
        e.send("go ponder wtime 1000 btime 1000");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        e.send("isready");
        std::vector<std::string> before;
        ASSERT_TRUE(e.process.readUntil("readyok", Timeout, &before));
        EXPECT_TRUE(before.empty()) << before.front();
        e.send(release);
        const auto lines = e.untilBestMove();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines, std::vector<std::string>{"bestmove e2e4"});
    }
}

TEST(BookProcess, NoUsableBookMeansASearch) {
    BookFile good("good", "e2e4 1 * *");
    const std::vector<std::string> broken = {
        "e2e4 1 *",                    // no final "*"
        "e2e4 * *",                    // weight missing
        "e2e4 1 e7e5 1 * e2e3 1 * *",  // no move in its position
        "e2e4 1 startpos 518 * *",     // startpos after a move
    };
    auto searches = [](Engine& e) {
        e.send("position startpos");
        e.send("go depth 2");
        const auto lines = e.untilBestMove();
        return !lines.empty() && infoLines(lines) > 0 && startsWith(lines.back(), "bestmove ");
    };
    for (size_t i = 0; i < broken.size(); ++i) {
        BookFile bad("broken" + std::to_string(i), broken[i]);
        Engine e;
        useBook(e, bad.path);
        EXPECT_TRUE(searches(e)) << broken[i];
    }
    Engine missing;
    useBook(missing, good.path + ".missing");
    EXPECT_TRUE(searches(missing));

    Engine off;
    useBook(off, good.path);
    off.send("setoption name OwnBook value false");
    EXPECT_TRUE(searches(off));
    // Switched on again, the book answers.
    off.send("setoption name OwnBook value true");
    off.send("position startpos");
    off.send("go depth 2");
    EXPECT_EQ(off.untilBestMove(), std::vector<std::string>{"bestmove e2e4"});
}

TEST(BookProcess, AnalysisAndSearchmovesSearch) {
    BookFile book("analysis", "e2e4 1 * *");
    Engine e;
    useBook(e, book.path);
    e.send("position startpos");
    e.send("go infinite");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    e.send("isready");
    std::vector<std::string> before;
    ASSERT_TRUE(e.process.readUntil("readyok", Timeout, &before));
    EXPECT_GT(infoLines(before), 0);
    for (const auto& l : before) EXPECT_FALSE(startsWith(l, "bestmove")) << l;
    e.send("stop");
    EXPECT_TRUE(startsWith(e.untilBestMove().back(), "bestmove "));

    e.send("go depth 2 searchmoves d2d4 g1f3");
    const auto lines = e.untilBestMove();
    EXPECT_GT(infoLines(lines), 0);
    EXPECT_TRUE(startsWith(lines.back(), "bestmove d2d4") || startsWith(lines.back(), "bestmove g1f3"))
        << lines.back();
}

}  // namespace tolvaren
