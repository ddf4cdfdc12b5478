#include "board/draw_classification.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board_test_support.h"

namespace tolvaren {

namespace {

using testing::Board;
using testing::boardFromFen;

// A game kept the way the protocol front ends keep theirs: permanent moves with
// two alternating state records.
struct Game {
    Stellung_t pos;
    Zustand_t states[2];
    int current = 0;

    explicit Game(const std::string& fen) {
        Board b = boardFromFen(fen);
        pos = b.pos;
        states[0] = b.state;
    }
    void play(const char* text) {
        const Zug_t move = readCoordinate(pos, text);
        ASSERT_TRUE(move != 0 && isLegal(pos, move, states[current])) << text;
        ASSERT_TRUE(playPermanent(pos, move, states[current], states[current ^ 1])) << text;
        current ^= 1;
    }
    int classify() const { return classifyDraw(pos, states[current]); }
};

const std::string StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

int classifyFen(const std::string& fen) {
    Board b = boardFromFen(fen);
    return classifyDraw(b.pos, b.state);
}

}  // namespace

TEST(DrawClassification, ThirdOccurrenceIsRepetition) {
    auto game = std::make_unique<Game>(StartFen);
    for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8"}) game->play(m);
    EXPECT_EQ(game->classify(), DrawNone);  // start position seen once before
    for (const char* m : {"g1f3", "g8f6", "f3g1"}) game->play(m);
    EXPECT_EQ(game->classify(), DrawNone);
    game->play("f6g8");
    EXPECT_EQ(game->classify(), DrawRepetition);
}

TEST(DrawClassification, MaterialThatCannotMate) {
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3K4/8/8 w - - 0 1"), DrawNoMaterial);
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3K1N2/8/8 w - - 0 1"), DrawNoMaterial);
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3K1b2/8/8 w - - 0 1"), DrawNoMaterial);
    // Bishops of one colour, on one side or both, are dead; of both colours they are not.
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3K1B2/4B3/8 w - - 0 1"), DrawDeadBishops);
    EXPECT_EQ(classifyFen("8/8/4k1b1/8/8/3K1B2/8/8 w - - 0 1"), DrawDeadBishops);
    EXPECT_EQ(classifyFen("8/8/4kb2/8/8/3K1B2/8/8 w - - 0 1"), DrawNone);
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3KBB2/8/8 w - - 0 1"), DrawNone);
    // Two knights, knight against bishop, and any pawn, rook or queen play on.
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3KNN2/8/8 w - - 0 1"), DrawNone);
    EXPECT_EQ(classifyFen("8/8/4kn2/8/8/3K1B2/8/8 w - - 0 1"), DrawNone);
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3K4/4P3/8 w - - 0 1"), DrawNone);
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3K4/8/7r w - - 0 1"), DrawNone);
}

TEST(DrawClassification, HundredQuietHalfMoves) {
    auto game = std::make_unique<Game>("8/8/4k3/8/8/3K4/8/R7 w - - 98 80");
    game->play("a1a2");
    EXPECT_EQ(game->classify(), DrawNone);
    game->play("e6e5");
    EXPECT_EQ(game->classify(), DrawFiftyMoves);
    // A pawn move starts the count again.
    auto pawnGame = std::make_unique<Game>("8/8/4k3/8/8/3K4/P7/R7 w - - 99 80");
    pawnGame->play("a2a3");
    EXPECT_EQ(pawnGame->classify(), DrawNone);
}

}  // namespace tolvaren
