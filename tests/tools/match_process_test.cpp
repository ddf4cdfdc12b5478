// The match manager against faulty stand-in engines, whose faults are charged to them (a hung
// one must not hang the match), and Tolvaren against itself, with games readable as PGN.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>

#include "pgn/pgn_reader.h"
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
                                    " --tc st=0.05 --games 2 --concurrency 2");
        const auto m = parseMatchSummary(out);
        ASSERT_TRUE(m) << out;
        EXPECT_EQ(m->counts.wins, 2);
        EXPECT_EQ(m->faultsA.illegal + m->faultsA.crash + m->faultsA.time, 0);
        EXPECT_EQ(std::tie(m->faultsB.illegal, m->faultsB.crash, m->faultsB.time),
                  std::tie(c.expected.illegal, c.expected.crash, c.expected.time));
    }
}

TEST(MatchProcess, SelfPlayGamesAreCleanAndReadableAsPgn) {
    test::TempDir dir;
    const std::string openings = dir.path("openings.pgn"), games = dir.path("games.pgn");
    // The second opening has an illegal move and is skipped; the third starts from a position.
    const std::string tags = "[White \"?\"]\n[Black \"?\"]\n[Result \"*\"]\n";
    std::ofstream(openings) << "[Event \"one\"]\n" + tags + "\n1. e4 e5 2. Nf3 Nc6 *\n\n[Event \"bad\"]\n" +
                                   tags + "\n1. e4 e4 *\n\n[Event \"two\"]\n" + tags +
                                   "[FEN \"4k3/8/8/8/8/8/4P3/4K2R b K - 0 30\"]\n\n30... Kd7 *\n";
    const std::string engine =
        std::string("cmd=") + TOLVAREN_ENGINE_PATH + " option.OwnBook=false option.Hash=4 ";
    // A generous margin: this checks the bookkeeping, not the speed of a test build.
    const std::string out = run("--engine name=a " + engine + "--engine name=b " + engine + "--openings " +
                                openings + " --plies 8 --tc 1+0.05 --timemargin 1000 --games 4 --seed 3" +
                                " --concurrency 2 --resign score=400 moves=2 --pgnout " + games);
    const auto m = parseMatchSummary(out);
    ASSERT_TRUE(m) << out;
    EXPECT_EQ(m->counts.games(), 4);
    EXPECT_EQ(m->faultsA.illegal + m->faultsA.crash + m->faultsA.time, 0) << out;
    EXPECT_EQ(m->faultsB.illegal + m->faultsB.crash + m->faultsB.time, 0) << out;

    // Every game reads back with its moves legal and its result as announced.
    PgnLeser_t reader;
    ASSERT_TRUE(reader.open(games));
    Partie_t game;
    int read = 0, fromFen = 0;
    while (reader.readGame(game)) {
        ++read;
        fromFen += game.tags.count("FEN") ? 1 : 0;
    }
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(read, 4);
    EXPECT_EQ(fromFen % 2, 0);  // each opening once per colour
}

}  // namespace tolvaren
