// Positions and moves as text: FEN, coordinate and SAN moves, and the game-end counts.
#include "board/fen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "board/notation.h"
#include "board_test_support.h"

namespace tolvaren {
namespace {

using test::boardFromFen;
using test::fenOf;

// Round trips of every position are checked along the random games.
TEST(Fen, EnPassantOnlyWhenCapturable) {
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
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",             // no side
             "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",   // nine files
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq -",  // nine ranks
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkx -",    // castling letter
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e4",   // e.p. rank
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w - -",       // two kings
             "rnbqkbnr/pppppppp/8/8/8/P7/PPPPPPPP/RNBQKBNR w KQkq -",   // 17 pieces, 9 pawns
             "1nbqkbn1/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",    // no Black rooks
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
}

TEST(Fen, CastlingFieldsFileLettersAndChess960Flags) {
    auto b = boardFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha -");
    EXPECT_EQ(std::make_tuple(+b.pos.castling, +b.pos.fileLetters, +b.pos.chess960), std::make_tuple(15, 1, 1));

    // Outermost rook wins; a letter after K narrows it to that file.
    b = boardFromFen("4k3/8/8/8/8/8/8/4K1RR w K -");
    EXPECT_EQ(b.pos.sides[White].shortRook, 63);
    EXPECT_EQ(fenOf(b.pos), "4k3/8/8/8/8/8/8/4K1RR w K -");
    b = boardFromFen("4k3/8/8/8/8/8/8/4K1RR w Kg -");
    EXPECT_EQ(std::make_tuple(+b.pos.sides[Black].shortRook, +b.pos.fileLetters), std::make_tuple(6, 0));
    EXPECT_EQ(fenOf(b.pos), "4k3/8/8/8/8/8/8/4K1RR w KG -");
    b = boardFromFen("4k3/8/8/8/8/8/8/4K1RR w G -");
    EXPECT_EQ(std::make_tuple(+b.pos.castling, +b.pos.sides[White].shortRook, +b.pos.fileLetters),
              std::make_tuple(+WhiteShort, 62, 1));

    static Stellung_t pos;
    Zustand_t state;
    EXPECT_FALSE(readFen(pos, state, "4k3/8/8/8/8/8/8/4K1RR w Kf -"));  // no rook on f1
    EXPECT_FALSE(readFen(pos, state, "r3k3/8/8/8/8/8/8/4K2R w KQ -"));  // no rook on the a-side
    // Both colours castle short with different rook files: not representable.
    EXPECT_FALSE(readFen(pos, state, "4k1r1/8/8/8/8/8/8/4K2R w Kk -"));

    setChess960Position(pos, state, 0);
    EXPECT_EQ(fenOf(pos), "bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq -");
    EXPECT_EQ(pos.sides[White].longRook, 61);
}

// Random games check that flipping twice gives the position back; here the text of one flip.
TEST(Fen, ColourFlipMirrorsTheBoardAndTheSideToMove) {
    const auto b = boardFromFen("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6");
    static Stellung_t flipped;
    flipColors(b.pos, flipped);
    EXPECT_EQ(fenOf(flipped), "rnbqkbnr/pppp1ppp/8/8/3PpP2/8/PPP1P1PP/RNBQKBNR b KQkq f3");
}

std::string written(const Stellung_t& pos, Zug_t move) {
    char buffer[8];
    return writeCoordinate(pos, move, buffer);
}

TEST(Notation, CoordinatesWriteAndRead) {
    const auto b = boardFromFen("4k3/4P3/8/8/8/8/8/R3K2R w KQ -");
    const Zug_t knightPromotion = makeMove(12, 4, ZugUmwSpringer);
    EXPECT_EQ(written(b.pos, knightPromotion), "e7e8n");
    for (const char* text : {"e7e8N", " E7E8s"}) EXPECT_EQ(readCoordinate(b.pos, text), knightPromotion);
    EXPECT_EQ(written(b.pos, 0), "0000");
    EXPECT_EQ(readCoordinate(b.pos, "e2e4"), 0);  // no own piece
    // "O-O" and "0-0-0" are read in the position command tests, e.p. captures there too.
    EXPECT_EQ(readCoordinate(b.pos, "e1g1"), makeMove(60, 62, ZugRochade));
    EXPECT_EQ(readCoordinate(b.pos, "e1h1"), makeMove(60, 62, ZugRochade));
    // Without the right e1g1 is a two-square king move, which is not legal.
    const auto n = boardFromFen("4k3/8/8/8/8/8/8/R3K2R w Q -");
    EXPECT_EQ(readCoordinate(n.pos, "e1g1"), makeMove(60, 62, ZugKoenig));
    EXPECT_FALSE(isLegal(n.pos, readCoordinate(n.pos, "e1g1"), n.state));

    // Chess960 with the file-letter flag: king takes rook (read back in the next test).
    const auto c = boardFromFen("1r4kr/8/8/8/8/8/8/1R4KR w HBhb -");
    EXPECT_EQ(written(c.pos, makeMove(62, 58, ZugRochade)), "g1b1");
}

// A variation is written against its first position, so a castling must read back
// in the position where it is played whichever side is to move where it is written.
TEST(Notation, CastlingIsWrittenForTheSideThatCastles) {
    for (const char* rights : {"KQkq", "HBhb"}) {
        const std::string placement = "1r4kr/pppppppp/8/8/8/8/PPPPPPPP/1R4KR ";
        const auto own = boardFromFen(placement + "b " + rights + " -");
        const auto other = boardFromFen(placement + "w " + rights + " -");
        int castlings = 0;
        for (const Zug_t move : test::legalMoves(own.pos, own.state)) {
            if (moveKind(move) != ZugRochade) continue;
            ++castlings;
            const std::string text = written(other.pos, move);
            EXPECT_EQ(text, written(own.pos, move)) << rights;
            EXPECT_EQ(readCoordinate(own.pos, text), move) << rights << " " << text;
            if (fileOf(moveTo(move)) == 6) {
                EXPECT_EQ(text, rights[0] == 'K' ? "O-O" : "g8h8");
            }
        }
        EXPECT_EQ(castlings, 2) << rights;
    }
}

// Canonical SAN reads back in the PGN tests' random games; here the other spellings and refusals.
TEST(Notation, SanReading) {
    auto b = boardFromFen("rnbqkbnr/1pp1pppp/p7/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6");
    const Zug_t ep = makeMove(28, 19, ZugEnPassant);
    for (const char* text : {"exd6", "exd6e.p.", "exd6 e. p.!?"})
        EXPECT_EQ(readSan(b.pos, text, b.state), ep) << text;
    EXPECT_EQ(readSan(b.pos, "Sf3", b.state), makeMove(62, 45, ZugSpringer));
    EXPECT_EQ(readSan(b.pos, "Nxf3", b.state), 0);  // "x" onto an empty square
    // Disambiguation.
    b = boardFromFen("4k3/8/8/8/8/8/8/1N2KN2 w - -");
    EXPECT_EQ(readSan(b.pos, "Nd2", b.state), 0);
    EXPECT_EQ(readSan(b.pos, "Nfd2!", b.state), makeMove(61, 51, ZugSpringer));
    // Check and mate marks are verified; promotions with German letters.
    b = boardFromFen("6k1/5ppp/8/8/8/8/1P6/R3K3 w Q -");
    for (const char* text : {"Ra8#", "Ra8+"})
        EXPECT_EQ(readSan(b.pos, text, b.state), makeMove(56, 0, ZugTurm));
    EXPECT_EQ(readSan(b.pos, "Ra7+", b.state), 0);
    b = boardFromFen("3r2k1/4P3/8/8/8/8/8/4K3 w - -");
    EXPECT_EQ(readSan(b.pos, "exd8S", b.state), makeMove(12, 3, ZugUmwSpringer));
}

// Black mated is announced in the XBoard game-end test.
TEST(Notation, CountsAndGameOver) {
    int result = 7;
    auto b = boardFromFen("7k/5Q2/6K1/8/8/8/8/8 b - -");  // stalemate
    EXPECT_EQ(gameOver(b.pos, b.state, &result), 1);
    EXPECT_EQ(result, 0);
    b = boardFromFen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -");
    EXPECT_EQ(gameOver(b.pos, b.state, &result), 1);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(countLegalMoves(b.pos, b.state), 0);
}

}  // namespace

}  // namespace tolvaren
