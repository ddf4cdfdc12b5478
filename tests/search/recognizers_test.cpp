#include "search/recognizers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <string_view>

#include "board/position.h"

namespace tolvaren {
namespace {

// Placement and side to move only: all the recognizers read.
Stellung_t position(std::string_view fen) {
    Stellung_t pos{};
    int rank = 8, file = 0;
    size_t i = 0;
    for (; i < fen.size() && fen[i] != ' '; ++i) {
        const char c = fen[i];
        if (c == '/') {
            --rank, file = 0;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            file += c - '0';
        } else {
            const int color = std::isupper(static_cast<unsigned char>(c)) ? White : Black;
            const int type = static_cast<int>(std::string_view("pnbrqk").find(static_cast<char>(std::tolower(c)))) + 1;
            Seite_t& side = pos.sides[color];
            side.pieces[type] |= bit(squareOf(file, rank));
            side.pieces[AllPieces] |= bit(squareOf(file, rank));
            side.squares(type)[side.count[type]++] = static_cast<uint8_t>(squareOf(file, rank));
            ++side.count[AllPieces];
            ++file;
        }
    }
    pos.side = i + 1 < fen.size() && fen[i + 1] == 'b' ? Black : White;
    return pos;
}

// The same position with colours exchanged and the board turned over.
std::string flipped(std::string_view fen) {
    const size_t blank = fen.find(' ');
    std::string placement(fen.substr(0, blank)), result;
    size_t end = placement.size();
    for (size_t start = placement.rfind('/'); ; start = placement.rfind('/', start - 1)) {
        const size_t from = start == std::string::npos ? 0 : start + 1;
        if (!result.empty()) result += '/';
        result += placement.substr(from, end - from);
        if (start == std::string::npos || start == 0) break;
        end = start;
    }
    for (char& c : result) c = std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c);
    return result + (fen.substr(blank + 1, 1) == "w" ? " b" : " w");
}

Erkennung_t recognize(std::string_view fen) {
    const Stellung_t pos = position(fen);
    return tolvaren::recognize(pos);
}

void expectRecognized(std::string_view fen, int32_t kind, int32_t value) {
    const Erkennung_t r = recognize(fen);
    EXPECT_EQ(r.kind, kind) << fen;
    EXPECT_EQ(r.value, value) << fen;
    const std::string other = flipped(fen);
    const Erkennung_t f = recognize(other);
    EXPECT_EQ(f.kind, kind) << other;
    EXPECT_EQ(f.value, value) << other;
}

constexpr int32_t None = Erkennung_t::None, Add = Erkennung_t::Add, Replace = Erkennung_t::Replace;

TEST(Recognizers, FlipHelperTurnsTheBoard) {
    EXPECT_EQ(flipped("8/P7/1K6/8/8/8/8/7k w"), "7K/8/8/8/8/1k6/p7/8 b");
}

TEST(Recognizers, KingAndPawnAgainstKing) {
    // One ply to a safe promotion; the defender to move needs two.
    expectRecognized("8/P7/1K6/8/8/8/8/7k w", Replace, 7306 - 10);
    expectRecognized("8/P7/1K6/8/8/8/8/7k b", Replace, -(7306 - 20));
    // Drawn: still 1 for the pawn's side, not 0.
    expectRecognized("7k/8/8/8/6KP/8/8/8 w", Replace, 1);
    expectRecognized("7k/8/8/8/6KP/8/8/8 b", Replace, -1);
    // Opposition with the king in front of the pawn.
    expectRecognized("8/4k3/8/4K3/4P3/8/8/8 w", Replace, 1);
    EXPECT_GT(recognize("8/4k3/8/4K3/4P3/8/8/8 b").value, -7306);
    EXPECT_LT(recognize("8/4k3/8/4K3/4P3/8/8/8 b").value, -6000);
}

TEST(Recognizers, DrawnMaterialScoresZero) {
    expectRecognized("8/8/3k4/8/8/3K4/8/8 w", Replace, 0);
    expectRecognized("8/8/3k4/8/8/3K4/8/6N1 b", Replace, 0);
    expectRecognized("8/8/3k4/8/8/3K4/8/6b1 w", Replace, 0);
    // King and pawn against king and pawn, whatever the pawns do.
    expectRecognized("8/8/3k4/8/1p6/3K4/1P6/8 w", Replace, 0);
    expectRecognized("8/1P6/3k4/8/8/3K4/6p1/8 b", Replace, 0);
    expectRecognized("8/8/3k4/8/8/3K4/8/r5R1 w", Replace, 0);
    expectRecognized("8/8/3k4/8/8/3K4/8/b5N1 w", Replace, 0);
}

TEST(Recognizers, TwoKnightsCannotMate) {
    expectRecognized("8/8/3k4/8/8/3K4/8/5NN1 w", Replace, 1);
    expectRecognized("8/8/3k4/8/8/3K4/8/5NN1 b", Replace, -1);
}

TEST(Recognizers, WrongRookPawnBishop) {
    // h8 is dark; a light-squared bishop cannot drive the king out of the corner.
    expectRecognized("7k/8/8/8/7P/8/4B3/4K3 w", Replace, 1);
    expectRecognized("6k1/8/6K1/8/7P/8/4B3/8 b", Replace, -1);
    expectRecognized("8/8/4k3/8/7P/8/4B3/4K3 w", Add, -1000);
    // The right bishop, or a pawn off the rook file: no correction.
    expectRecognized("7k/8/8/8/7P/8/3B4/4K3 w", Add, 0);
    expectRecognized("7k/8/8/8/6P1/8/4B3/4K3 w", Add, 0);
}

TEST(Recognizers, PawnlessMaterialFormula) {
    // Queen: far past the clear-win margin, so D + 200 plus the king terms
    // (252 - 129 for the edges, 2 * (5 - 18) for the kings' distance).
    expectRecognized("k7/8/8/8/8/8/8/3QK3 w", Replace, 9792 + 200 + 252 - 129 - 26);
    // Two knights against bishop for Black: (D + 1000) / 2 truncated toward zero, and
    // the kings' closeness counted for Black.
    expectRecognized("8/8/8/3k4/8/8/n7/3BK2n w", Replace, -917 + 0 - 129 + 8);
    expectRecognized("8/8/8/3k4/8/8/r7/4K3 w", Replace, -4820 - 200 + 0 - 129 + 8);
    // Queen against rook: past the margin on Black's side.
    const Erkennung_t rq = recognize("8/8/8/3k4/8/8/q7/3RK3 w");
    EXPECT_EQ(rq.kind, Replace);
    EXPECT_LT(rq.value, -2000);
}

TEST(Recognizers, BishopAndKnightDriveToTheRightCorner) {
    // Light bishop: corners a8 and h1; the king on h8 is seven steps from both.
    expectRecognized("7k/8/8/8/8/8/8/KBN5 w", Replace, 252 + 6104 - 252 - 3 * (21 - 5) - 60 * 7);
    // The king in the bishop's corner scores far more than in the other one.
    EXPECT_GT(recognize("k7/8/1K6/8/8/8/8/1BN5 w").value, recognize("7k/8/6K1/8/8/8/8/1BN5 w").value + 300);
}

TEST(Recognizers, RookAgainstMinorDangerCount) {
    // Cornered king (4 + 3 + 1), kings close (+3), knight in a corner (+1), same file
    // (+2), no cover next to the king (+1), knight far away (+4), rook side to move (+1).
    expectRecognized("k7/8/1K6/8/8/8/8/n6R w", Replace, (20 + 10) * 8 * 8);
    // A centralised king next to its bishop is safe: the smallest value.
    expectRecognized("8/8/3bk3/8/8/8/8/K6R w", Replace, 1);
    // Rook and knight against rook: 5 + 3 + 1 + 3 + 1.
    expectRecognized("k7/8/1K6/8/8/8/8/r5NR w", Replace, (13 + 10) * 8 * 8);
    expectRecognized("k7/8/1K6/8/8/8/8/r5NR b", Replace, -(12 + 10) * 8 * 8);
}

TEST(Recognizers, RookPawnAgainstRook) {
    // Defending king on the queening file, rook on the third rank from the pawn's side.
    expectRecognized("3k4/8/3r4/3PK3/8/8/8/7R w", Replace, 1);
    // 1100 for d4, 4 * (3 - 4) for the kings, 6 for the defender to move.
    expectRecognized("4k3/8/8/8/3P4/3K4/8/r6R b", Replace, -(1100 - 4 - 6));
    // The e-pawn is read as the d-pawn mirrored.
    expectRecognized("3k4/8/8/8/4P3/4K3/8/R6r b", Replace, -(1100 - 4 - 6));
}

TEST(Recognizers, PawnSideIsBehind) {
    // Rook against bishop and pawn, and rook and knight against rook and pawn.
    const Erkennung_t a = recognize("8/8/8/3k4/8/2B5/1P6/1K5r w");
    EXPECT_EQ(a.kind, Replace);
    EXPECT_LT(a.value, 0);
    // E(d5) - E(b1) - 220 for b2, + dist(b2, d5) - dist(b2, b1).
    EXPECT_EQ(a.value, 0 - 206 - 220 + 8 - 2);
    const Erkennung_t b = recognize("8/4k3/8/8/8/2n5/1P6/1K4Rr w");
    EXPECT_EQ(b.kind, Replace);
    EXPECT_EQ(b.value, -recognize("8/4k3/8/8/8/2n5/1P6/1K4Rr b").value);
    // Two bishops against bishop and pawn.
    const Erkennung_t c = recognize("8/8/8/3k4/8/2B5/1P6/1K4bb b");
    EXPECT_EQ(c.kind, Replace);
    EXPECT_GT(c.value, 0);
}

TEST(Recognizers, TwoKnightsAgainstPawnPreferTheBlockadeFarBack) {
    const int blockadedBack = recognize("8/8/8/8/8/4n3/k3P3/2K3n1 b").value;  // e2 pawn, knight on e3
    const int blockadedUp = recognize("8/8/4n3/4P3/8/8/k7/2K3n1 b").value;    // e5 pawn, knight on e6
    const int freeRunner = recognize("8/4P3/8/8/8/8/k7/2K2nn1 b").value;      // e7, nothing in front
    EXPECT_GT(blockadedBack, blockadedUp);
    EXPECT_GT(blockadedUp, 0);
    EXPECT_GT(blockadedUp, freeRunner);
    EXPECT_LT(freeRunner, 0);
    EXPECT_EQ(recognize("8/8/8/8/8/4n3/k3P3/2K3n1 w").value, -blockadedBack);
}

TEST(Recognizers, DeclinesWhatItDoesNotKnow) {
    expectRecognized("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", None, 0);
    expectRecognized("8/8/3k4/8/8/3K4/1PP5/8 w", None, 0);    // two pawns
    expectRecognized("8/8/3k4/8/8/3K4/1P6/6n1 w", None, 0);   // pawn against knight
    EXPECT_EQ(recognize("8/8/3k4/8/8/3K4/1P6/5nn1 w").kind, Replace);  // two knights: scored
    expectRecognized("8/8/2pk4/8/8/3K4/1PP5/8 w", None, 0);
    expectRecognized("8/8/3k4/2r5/8/3K4/1PP5/8 w", None, 0);
}

// Every recognizer must give a position and its colour flip the same value from the
// side to move's view: random placements of each handled material.
TEST(Recognizers, ColourFlipGivesTheSameValue) {
    const char* materials[] = {"KPk",   "KNk",   "KRk",    "KQk",    "KPkp",   "KRkn",   "KRkb",  "KNkr",
                               "KNNk",  "KBNk",  "KBPk",   "KRRk",   "KQkr",   "KRPkr",  "KBPkr", "KNPkr",
                               "Kpnn",  "KRNkr", "KRBkr",  "KBNkb",  "KRPkrn", "KBPkbn", "KNPknn", "KRRkr",
                               "KQRkq", "KNPkp", "KRPkrp", "KQkrb"};
    std::mt19937 rng(20240611);
    for (const char* material : materials) {
        for (int trial = 0; trial < 300; ++trial) {
            char board[64];
            std::fill(board, board + 64, '.');
            for (const char* c = material; *c; ++c) {
                int s;
                do s = static_cast<int>(rng() % 64);
                while (board[s] != '.' || ((*c == 'P' || *c == 'p') && (rankOf(s) == 1 || rankOf(s) == 8)));
                board[s] = *c;
            }
            std::string fen;
            for (int rank = 8; rank >= 1; --rank) {
                int empty = 0;
                for (int file = 0; file < 8; ++file) {
                    const char c = board[squareOf(file, rank)];
                    if (c == '.') {
                        ++empty;
                        continue;
                    }
                    if (empty) fen += static_cast<char>('0' + empty), empty = 0;
                    fen += c;
                }
                if (empty) fen += static_cast<char>('0' + empty);
                if (rank > 1) fen += '/';
            }
            fen += trial % 2 ? " b" : " w";
            const Erkennung_t a = recognize(fen), b = recognize(flipped(fen));
            ASSERT_EQ(a.kind, b.kind) << fen;
            ASSERT_EQ(a.value, b.value) << fen;
        }
    }
}

}  // namespace
}  // namespace tolvaren
