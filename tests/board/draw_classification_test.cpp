#include "board/draw_classification.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "board_test_support.h"

namespace tolvaren {

namespace {

using testing::Board;
using testing::boardFromFen;

const std::string StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

int classify(const Board& b) {
    return classifyDraw(b.pos, b.state);
}
int classifyFen(const std::string& fen) {
    return classify(boardFromFen(fen));
}

// Plays the moves, each of which must be legal.
void play(Board& b, std::initializer_list<const char*> moves) {
    for (const char* m : moves) ASSERT_TRUE(b.play(m)) << m;
}

}  // namespace

TEST(DrawClassification, ThirdOccurrenceIsRepetition) {
    auto game = std::make_unique<Board>(boardFromFen(StartFen));
    play(*game, {"g1f3", "g8f6", "f3g1", "f6g8"});
    EXPECT_EQ(classify(*game), DrawNone);  // start position seen once before
    play(*game, {"g1f3", "g8f6", "f3g1"});
    EXPECT_EQ(classify(*game), DrawNone);
    play(*game, {"f6g8"});
    EXPECT_EQ(classify(*game), DrawRepetition);
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
    auto game = std::make_unique<Board>(boardFromFen("8/8/4k3/8/8/3K4/8/R7 w - - 98 80"));
    play(*game, {"a1a2"});
    EXPECT_EQ(classify(*game), DrawNone);
    play(*game, {"e6e5"});
    EXPECT_EQ(classify(*game), DrawFiftyMoves);
    // A pawn move starts the count again.
    *game = boardFromFen("8/8/4k3/8/8/3K4/P7/R7 w - - 99 80");
    play(*game, {"a2a3"});
    EXPECT_EQ(classify(*game), DrawNone);
}

}  // namespace tolvaren
