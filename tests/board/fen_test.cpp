#include "board/fen.h"

#include <gtest/gtest.h>

#include <cstring>

#include "board/hash_keys.h"
#include "board_test_support.h"

namespace tolvaren {
namespace {

using testing::boardFromFen;
using testing::fenOf;

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

TEST(Fen, HashKeyTableHasExactlyTheListedZeros) {
    for (int i = 0; i < 960; ++i) {
        const bool zero = (i >= 16 && i < 64) || (i >= 448 && i < 512) ||
                          (i >= 512 && i < 576 && !((i >= 528 && i < 536) || (i >= 552 && i < 560)));
        EXPECT_EQ(HashKeys[i] == 0, zero) << i;
    }
}

// Round trips of every position are checked along the random games.
TEST(Fen, EnPassantOnlyWhenCapturable) {
    EXPECT_EQ(fenOf(boardFromFen("4k3/8/8/8/3pP3/8/8/4K3 b - e3").pos), "4k3/8/8/8/3pP3/8/8/4K3 b - e3");
    // After 1. e4 no Black pawn can take on e3.
    EXPECT_EQ(boardFromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1").pos.epSquare, 0);
    EXPECT_EQ(boardFromFen("rnbqkbnr/1pp1pppp/p7/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3").pos.epSquare, 19);
    // Same position with an e.p. square nobody can use: the same key.
    EXPECT_EQ(boardFromFen("4k3/8/8/8/4P3/8/8/4K3 b - e3").state.hashKey,
              boardFromFen("4k3/8/8/8/4P3/8/8/4K3 b - -").state.hashKey);
}

TEST(Fen, HalfMoveClockSetsHistoryLength) {
    const std::string placement = "4k3/8/8/8/8/8/8/4K2R w K - ";
    EXPECT_EQ(boardFromFen(placement + "99 80").pos.historyLength, 100);
    EXPECT_EQ(boardFromFen(placement + "100 80").pos.historyLength, 1);
    EXPECT_EQ(boardFromFen(placement + "-3 1").pos.historyLength, 1);
    EXPECT_EQ(boardFromFen(placement).pos.historyLength, 1);
    const auto b = boardFromFen(placement + "5 10");
    EXPECT_EQ(b.pos.historyLength, 6);
    EXPECT_EQ(b.pos.history[4], 0u);
    EXPECT_EQ(b.pos.history[5], b.state.hashKey);
}

TEST(Fen, RefusesBrokenTextAndImpossiblePositions) {
    static Stellung_t pos;
    Zustand_t state;
    setStartPosition(pos, state);
    static Stellung_t before;
    std::memcpy(&before, &pos, sizeof pos);
    for (const char* fen : {
             "", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",         // no side
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq -",    // side
             "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",   // nine files
             "rnbqkbn/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",     // "/" too early
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq -",  // nine ranks
             "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",    // digit 9
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq -",    // letter
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkx -",    // castling letter
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e4",   // e.p. rank
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq",      // no e.p. field
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1BNR w KQkq -",    // no White king
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w - -",       // two kings
             "rnbqkbnr/pppppppp/8/8/8/P7/PPPPPPPP/RNBQKBNR w KQkq -",   // 17 pieces, 9 pawns
             "1nbqkbn1/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",    // no Black rooks
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1BNR w K -",       // king without rights
             "3k4/8/8/8/8/8/8/R3K2R w KQk -",                           // kings on different files
         }) {
        EXPECT_FALSE(readFen(pos, state, fen)) << fen;
        EXPECT_EQ(std::memcmp(&pos, &before, sizeof pos), 0) << "changed by " << fen;
    }
    // Impossible positions that would wreck make: a king in check with the other side
    // to move, pawns on the last rank, more promotions than a square list holds.
    EXPECT_TRUE(readFen(pos, state, "4k3/8/8/8/8/8/8/4K2r w - -"));
    EXPECT_FALSE(readFen(pos, state, "4k3/8/8/8/8/8/8/4K2r b - -"));
    EXPECT_FALSE(readFen(pos, state, "P3k3/8/8/8/8/8/8/4K3 w - -"));
    EXPECT_FALSE(readFen(pos, state, "k7/8/8/8/8/8/NNNNNNNN/NNN1K3 w - -"));  // eleven knights
    EXPECT_FALSE(readFen(pos, state, "k7/8/8/8/8/8/PPPPPPPP/QQQK4 w - -"));
    EXPECT_TRUE(readFen(pos, state, "k7/8/8/8/8/8/PPPPPPPP/QQ1K4 w - -"));
}

TEST(Fen, CastlingFieldsFileLettersAndChess960Flags) {
    auto b = boardFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha -");
    EXPECT_EQ(b.pos.castling, 15);
    EXPECT_EQ(b.pos.fileLetters, 1);
    EXPECT_EQ(b.pos.chess960, 1);

    // Outermost rook wins; a letter after K narrows it to that file.
    b = boardFromFen("4k3/8/8/8/8/8/8/4K1RR w K -");
    EXPECT_EQ(b.pos.sides[White].shortRook, 63);
    EXPECT_EQ(fenOf(b.pos), "4k3/8/8/8/8/8/8/4K1RR w K -");
    b = boardFromFen("4k3/8/8/8/8/8/8/4K1RR w Kg -");
    EXPECT_EQ(b.pos.sides[White].shortRook, 62);
    EXPECT_EQ(b.pos.sides[Black].shortRook, 6);
    EXPECT_EQ(b.pos.chess960, 1);
    EXPECT_EQ(b.pos.fileLetters, 0);
    EXPECT_EQ(fenOf(b.pos), "4k3/8/8/8/8/8/8/4K1RR w KG -");
    b = boardFromFen("4k3/8/8/8/8/8/8/4K1RR w G -");
    EXPECT_EQ(b.pos.castling, WhiteShort);
    EXPECT_EQ(b.pos.sides[White].shortRook, 62);
    EXPECT_EQ(b.pos.fileLetters, 1);

    static Stellung_t pos;
    Zustand_t state;
    EXPECT_FALSE(readFen(pos, state, "4k3/8/8/8/8/8/8/4K1RR w Kf -"));  // no rook on f1
    EXPECT_FALSE(readFen(pos, state, "r3k3/8/8/8/8/8/8/4K2R w KQ -"));  // no rook on the a-side
    // Both colours castle short with different rook files: not representable.
    EXPECT_FALSE(readFen(pos, state, "4k1r1/8/8/8/8/8/8/4K2R w Kk -"));

    setChess960Position(pos, state, 0);
    EXPECT_EQ(fenOf(pos), "bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq -");
    EXPECT_EQ(pos.sides[White].shortRook, 63);
    EXPECT_EQ(pos.sides[White].longRook, 61);
    EXPECT_EQ(pos.chess960, 1);
    setChess960Position(pos, state, 518);
    EXPECT_EQ(fenOf(pos), StartFen);
    EXPECT_EQ(pos.chess960, 0);
    setChess960Position(pos, state, 959 + 960);
    EXPECT_EQ(fenOf(pos), "rkrnnqbb/pppppppp/8/8/8/8/PPPPPPPP/RKRNNQBB w KQkq -");
}

// Random games check that flipping twice gives the position back; here the text of one flip.
TEST(Fen, ColourFlipMirrorsTheBoardAndTheSideToMove) {
    const auto b = boardFromFen("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6");
    static Stellung_t flipped;
    flipColors(b.pos, flipped);
    EXPECT_EQ(fenOf(flipped), "rnbqkbnr/pppp1ppp/8/8/3PpP2/8/PPP1P1PP/RNBQKBNR b KQkq f3");
}

}  // namespace
}  // namespace tolvaren
