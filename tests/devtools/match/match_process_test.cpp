// The match manager against faulty stand-in engines: their faults are charged to them, Tolvaren
// makes none, and a hung one must not hang the match.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "support/test_files.h"
#include "tools/match_stats.h"

namespace tolvaren {

namespace {

// A UCI engine in a few lines of shell whose answer to "go" is a fault.
const char* const FakeEngine = R"(#!/bin/sh
while read -r line; do
  case "$line" in
    uci) echo "id name fake"; echo uciok ;;
    isready) echo readyok ;;
    go*) case "$1" in
           illegal) echo "info depth 1 score cp 0"; echo "bestmove e2e5" ;;
           crash) exit 1 ;;
         esac ;;
    quit) exit 0 ;;
  esac
done
)";

std::string run(const std::string& arguments) {
    std::string out;
    if (std::FILE* p = popen((std::string(TOLVAREN_MATCH_PATH) + " " + arguments + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
        pclose(p);
    }
    return out;
}

}  // namespace

TEST(MatchProcess, ChargesEveryFaultToTheEngineThatMadeIt) {
    test::TempDir dir;
    const std::string fake = dir.path("fake.sh");
    std::ofstream(fake) << FakeEngine;
    chmod(fake.c_str(), 0755);
    const std::string engine = std::string("--engine name=tolvaren cmd=") + TOLVAREN_ENGINE_PATH +
                               " option.OwnBook=false option.Hash=4 ";
    // "hang" answers nothing at all: lost on time, killed 5 s later and restarted.
    const struct {
        const char* mode;
        EngineFaults expected;
    } cases[] = {{"illegal", {2, 0, 0}}, {"crash", {0, 2, 0}}, {"hang", {0, 0, 2}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const std::string out = run(engine + "--engine name=fake cmd=" + fake + " " + c.mode +
                                    " --tc st=0.05 --games 2 --concurrency 2 --openings none");
        const auto m = parseMatchSummary(out);
        ASSERT_TRUE(m) << out;
        EXPECT_EQ(m->counts.wins, 2);
        EXPECT_EQ(m->faultsA.illegal + m->faultsA.crash + m->faultsA.time, 0);
        EXPECT_EQ(std::tie(m->faultsB.illegal, m->faultsB.crash, m->faultsB.time),
                  std::tie(c.expected.illegal, c.expected.crash, c.expected.time));
    }
}

// Without --openings the games start from the lines the repository ships, beside the manager.
TEST(MatchProcess, PlaysTheShippedOpeningsByDefault) {
    test::TempDir dir;
    const std::string pgn = dir.path("games.pgn");
    const std::string engine =
        std::string(" cmd=") + TOLVAREN_ENGINE_PATH + " option.OwnBook=false option.Hash=4";
    const std::string out = run("--engine name=a" + engine + " --engine name=b" + engine +
                                " --tc st=0.02 --games 2 --concurrency 2 --pgnout " + pgn);
    ASSERT_TRUE(parseMatchSummary(out)) << out;
    std::ifstream shippedFile(
        std::string(TOLVAREN_MATCH_PATH).substr(0, std::string(TOLVAREN_MATCH_PATH).rfind('/')) +
        "/openings.pgn");
    const std::string shipped((std::istreambuf_iterator<char>(shippedFile)),
                              std::istreambuf_iterator<char>());
    int named = 0;
    std::ifstream games(pgn);
    for (std::string line; std::getline(games, line);) {
        if (line.rfind("[Opening \"", 0) != 0) continue;
        ++named;  // the same line played with both colours
        EXPECT_NE(shipped.find("[Event \"" + line.substr(10)), std::string::npos) << line;
    }
    EXPECT_EQ(named, 2);
}

}  // namespace tolvaren
