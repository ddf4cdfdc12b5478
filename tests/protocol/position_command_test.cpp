// Reading the arguments of "position", "go" and "perft" lines.
#include "protocol/position_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "board/board_test_support.h"
#include "board/consistency.h"
#include "board/perft.h"
#include "protocol/go_command.h"
#include "protocol/perft_command.h"

namespace tolvaren {
namespace {

struct Interface {
    Stellung_t pos;
    Zustand_t states[2];
    int index = 0;
    std::vector<std::string> errors;

    bool run(const std::string& args) {
        errors.clear();
        return setPositionFromCommand(pos, states, index, args,
                                      [this](std::string_view m, std::string_view d) {
                                          errors.push_back(std::string(m) + std::string(d));
                                      });
    }
    std::string fen() const { return test::fenOf(pos); }
    bool consistent() const { return isConsistent(pos, states[index]); }
};

TEST(PositionCommand, StartposFenChess960AndMoves) {
    static Interface ui;
    EXPECT_TRUE(ui.run("startpos moves e2e4 e7e5 g1f3"));
    EXPECT_EQ(ui.fen(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq -");
    EXPECT_EQ(ui.index, 1);
    EXPECT_TRUE(ui.consistent());
    EXPECT_EQ(ui.pos.historyLength, 2);

    EXPECT_FALSE(ui.run("startpos moves e2e4 e2e4"));
    EXPECT_EQ(ui.errors, std::vector<std::string>{"position: illegal move: e2e4"});
    EXPECT_EQ(ui.fen(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -");
    EXPECT_TRUE(ui.consistent());

    EXPECT_TRUE(ui.run("  fen 4k3/8/8/8/8/8/8/R3K2R w KQ - 3 20 moves O-O"));
    EXPECT_EQ(ui.fen(), "4k3/8/8/8/8/8/8/R4RK1 b - -");

    EXPECT_TRUE(ui.run("Chess960 518 moves e2e4"));
    EXPECT_EQ(ui.fen(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -");
    EXPECT_FALSE(ui.run("Chess960 0 moves g1h1"));  // the f1 rook stands on the castling rook's target
    EXPECT_TRUE(ui.consistent());
}

TEST(PositionCommand, ErrorsLeaveAConsistentPosition) {
    static Interface ui;
    for (const char* bad : {"Chess960", "foo"}) EXPECT_FALSE(ui.run(bad)) << bad;

    EXPECT_TRUE(ui.run("startpos moves e2e4"));
    EXPECT_FALSE(ui.run("fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - moves e2e4"));
    EXPECT_EQ(ui.fen(),
              "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");  // the start, not the old one
    EXPECT_TRUE(ui.consistent());

    // Moves the piece cannot make are refused before they are played.
    for (const char* bad : {"startpos moves e2e5", "startpos moves e1g1", "startpos moves e2e4 e7e5 e1c1"}) {
        EXPECT_FALSE(ui.run(bad)) << bad;
        const std::string last = std::string(bad).substr(std::string(bad).rfind(' ') + 1);
        EXPECT_EQ(ui.errors, std::vector<std::string>{"position: illegal move: " + last}) << bad;
        EXPECT_TRUE(ui.consistent()) << bad;
    }
    // The fifth character is a promotion letter.
    EXPECT_TRUE(ui.run("fen 4k3/P7/8/8/8/8/8/4K3 w - - moves a7a8n"));
    EXPECT_EQ(ui.fen(), "N3k3/8/8/8/8/8/8/4K3 b - -");
}

// Mangled FENs and move lists: whatever is accepted must be a position that move
// generation and make handle (the checked build asserts consistency after every make).
TEST(PositionCommand, MangledInputNeverBreaksThePosition) {
    static Interface ui;
    test::TestRandom rng{4242};
    const std::string seeds[] = {
        "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 moves e1g1 a8b8",
        "fen 1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1 moves g1h1 b8b1",
        "fen rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3 moves e5f6 g7f6"};
    const char alphabet[] = "KQkqRrBbNnPp12345678/-whHaAgGcC O0e. ";
    for (int round = 0; round < 3000; ++round) {
        std::string line = seeds[round % 3];
        const int edits = 1 + static_cast<int>(rng.next() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = 4 + rng.next() % (line.size() - 4);
            line[at] = alphabet[rng.next() % (sizeof alphabet - 1)];
        }
        ui.run(line);
        ASSERT_TRUE(ui.consistent()) << line;
        PerftTabelle_t none(0);
        perft(none, ui.pos, ui.states[ui.index], 2);
    }
}

TEST(GoCommand, ReadsTheSideToMovesClockAndEveryLimit) {
    const char* line =
        "go wtime 1000 btime 60000 winc 10 binc 20 movestogo 7 depth 9 nodes 12345678901 mate 3 "
        "movetime 500 infinite ponder";
    const auto fields = [](const GoParameters& g) {
        const SearchLimits& l = g.limits;
        return std::tuple(g.ponder, l.infinite, l.time, l.increment, l.movestogo, l.depth, l.nodes, l.mate,
                          l.movetime, l.nodeClock);
    };
    EXPECT_EQ(fields(parseGo(line, White)), std::tuple(true, true, 1000, 10, 7, 9, 12345678901LL, 3, 500, 0));
    EXPECT_EQ(fields(parseGo(line, Black)),
              std::tuple(true, true, 60000, 20, 7, 9, 12345678901LL, 3, 500, 0));

    const GoParameters bare = parseGo("go wtime", White);  // keyword at the very end
    EXPECT_EQ(bare.limits.time, 0);
    EXPECT_FALSE(bare.limits.infinite);
}

TEST(GoCommand, SearchmovesKeepsLegalMovesInOrderAndExcludemovesRemovesThem) {
    auto pos = std::make_unique<Stellung_t>();
    Zustand_t state;
    ASSERT_TRUE(readFen(*pos, state, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    Zug_t moves[MaxSearchMoves];
    // e2e5 is no legal move and is dropped; the duplicate counts once; depth ends the list.
    ASSERT_EQ(readSearchMoves(*pos, state, "go searchmoves d2d4 e2e5 g1f3 d2d4 depth 5 a2a3", moves), 2);
    EXPECT_EQ(moves[0], makeMove(51, 35, ZugBauer));
    EXPECT_EQ(moves[1], makeMove(62, 45, ZugSpringer));

    EXPECT_EQ(readSearchMoves(*pos, state, "go excludemoves e2e4 d2d4", moves), 18);
    EXPECT_EQ(std::count(moves, moves + 18, makeMove(52, 36, ZugBauer)), 0);
    EXPECT_EQ(readSearchMoves(*pos, state, "go depth 5", moves), -1);
}

// The lines a perft command prints (single-spaced), without their time field, which varies.
std::vector<std::string> perftLines(const Stellung_t& pos, const char* args) {
    std::vector<std::string> lines;
    runPerftCommand(
        pos, args,
        [&lines](std::string_view l) {
            const std::string line(l);
            EXPECT_EQ(line.find("  "), std::string::npos) << line;
            lines.push_back(line.substr(0, line.find(" time ")) + line.substr(line.find(" nodes ")));
        },
        [&lines](std::string_view m, std::string_view) { lines.push_back("error: " + std::string(m)); });
    return lines;
}

TEST(Perft, CommandLines) {
    static Stellung_t pos;
    Zustand_t state;
    setStartPosition(pos, state);
    EXPECT_EQ(perftLines(pos, " depth 3 Hash 1"), std::vector<std::string>{"info depth 3 nodes 8902"});

    const auto missing = perftLines(pos, "divide");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].substr(0, 26), "error: perft without depth");
}

// "Hash" on the perft line is as large as the Hash option at most; one table serves
// every root move of a divide, and the counts stay exact.
TEST(Perft, TableSizeIsBoundedLikeTheHashOption) {
    const PerftTabelle_t largest(uint64_t{1000} << 20);
    EXPECT_EQ(largest.size(), uint64_t{1} << 25);  // 1000 MiB / 24 bytes, down to a power of two
    EXPECT_EQ(PerftTabelle_t(uint64_t{200000} << 20).size(), largest.size());

    static Stellung_t pos;
    Zustand_t state;
    setStartPosition(pos, state);
    const auto lines = perftLines(pos, " depth 2 divide Hash 200000");
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "info move a2a4 depth 1 nodes 20");
    EXPECT_EQ(lines[20], "info depth 2 nodes 400");
}

}  // namespace

}  // namespace tolvaren
