// Reading "go" lines: the side to move's clock, 64-bit values, root move lists.
#include <gtest/gtest.h>

#include <memory>

#include "board/fen.h"
#include "board/position.h"
#include "protocol/go_command.h"

namespace tolvaren {

TEST(GoCommand, ReadsTheSideToMovesClockAndEveryLimit) {
    const char* line = "go wtime 1000 btime 60000 winc 10 binc 20 movestogo 7 depth 9 nodes 12345678901 mate 3 "
                       "movetime 500 infinite ponder";
    const GoParameters white = parseGo(line, White);
    EXPECT_EQ(white.time, 1000);
    EXPECT_EQ(white.increment, 10);
    const GoParameters black = parseGo(line, Black);
    EXPECT_EQ(black.time, 60000);
    EXPECT_EQ(black.increment, 20);
    EXPECT_EQ(black.movestogo, 7);
    EXPECT_EQ(black.depth, 9);
    EXPECT_EQ(black.nodes, 12345678901LL);
    EXPECT_EQ(black.mate, 3);
    EXPECT_EQ(black.movetime, 500);
    EXPECT_TRUE(black.infinite);
    EXPECT_TRUE(black.ponder);

    const GoParameters bare = parseGo("go wtime", White);  // keyword at the very end
    EXPECT_EQ(bare.time, 0);
    EXPECT_FALSE(bare.infinite);
    EXPECT_EQ(parseGo("go wtime -50", White).time, -50);
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
    for (int i = 0; i < 18; ++i) {
        EXPECT_NE(moves[i], makeMove(52, 36, ZugBauer));
        EXPECT_NE(moves[i], makeMove(51, 35, ZugBauer));
    }
    EXPECT_EQ(readSearchMoves(*pos, state, "go depth 5", moves), -1);
}

}  // namespace tolvaren
