#include "search/recognizers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <string_view>

#include "board/position.h"

namespace tolvaren {
namespace {

// Placement and side to move only: all that the recognizers read.
Stellung_t position(std::string_view fen) {
    Stellung_t pos{};
    int rank = 8, file = 0;
    size_t i = 0;
    for (; i < fen.size() && fen[i] != ' '; ++i) {
        const char c = fen[i];
        if (c == '/') {
            --rank, file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
        } else {
            Seite_t& side = pos.sides[std::isupper(static_cast<unsigned char>(c)) ? White : Black];
            const int type = static_cast<int>(std::string_view("pnbrqk").find(static_cast<char>(std::tolower(c)))) + 1;
            const int s = squareOf(file++, rank);
            side.pieces[type] |= bit(s);
            side.pieces[AllPieces] |= bit(s);
            side.squares(type)[side.count[type]++] = static_cast<uint8_t>(s);
            ++side.count[AllPieces];
        }
    }
    pos.side = fen.substr(i) == " b" ? Black : White;
    return pos;
}

// The board turned over with the colours exchanged.
std::string flipped(std::string_view fen) {
    std::string result, rank;
    for (char c : fen.substr(0, fen.find(' '))) {
        if (c == '/') {
            result = "/" + rank + result, rank.clear();
            continue;
        }
        rank += std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                            : static_cast<char>(std::toupper(c));
    }
    return rank + result + (fen.ends_with(" w") ? " b" : " w");
}

Erkennung_t recognizeFen(std::string_view fen) { return recognize(position(fen)); }

constexpr int32_t None = Erkennung_t::None, Add = Erkennung_t::Add, Replace = Erkennung_t::Replace;

struct Case {
    const char* fen;
    int32_t kind, value;
};

// Each case is checked as given and with the colours flipped: same value for the side to move.
TEST(Recognizers, KnownValuesAndTheirColourFlips) {
    EXPECT_EQ(flipped("8/P7/1K6/8/8/8/8/7k w"), "7K/8/8/8/8/1k6/p7/8 b");
    const Case cases[] = {
        // King and pawn: 7306 - 10 plies to a safe promotion; a draw is 1 for the pawn, not 0.
        {"8/P7/1K6/8/8/8/8/7k w", Replace, 7306 - 10},
        {"8/P7/1K6/8/8/8/8/7k b", Replace, -(7306 - 20)},
        {"7k/8/8/8/6KP/8/8/8 w", Replace, 1},
        {"7k/8/8/8/6KP/8/8/8 b", Replace, -1},
        {"8/4k3/8/4K3/4P3/8/8/8 w", Replace, 1},
        // Dead or level material.
        {"8/8/3k4/8/8/3K4/8/8 w", Replace, 0},
        {"8/8/3k4/8/8/3K4/8/6N1 b", Replace, 0},
        {"8/8/3k4/8/1p6/3K4/1P6/8 w", Replace, 0},
        {"8/1P6/3k4/8/8/3K4/6p1/8 b", Replace, 0},
        {"8/8/3k4/8/8/3K4/8/b5N1 w", Replace, 0},
        {"8/8/3k4/8/8/3K4/8/5NN1 w", Replace, 1},
        {"8/8/3k4/8/8/3K4/8/5NN1 b", Replace, -1},
        // Rook pawn with the wrong bishop (h8 is dark): corner zone, elsewhere, right bishop, knight pawn.
        {"7k/8/8/8/7P/8/4B3/4K3 w", Replace, 1},
        {"6k1/8/6K1/8/7P/8/4B3/8 b", Replace, -1},
        {"8/8/4k3/8/7P/8/4B3/4K3 w", Add, -1000},
        {"7k/8/8/8/7P/8/3B4/4K3 w", Add, 0},
        {"7k/8/8/8/6P1/8/4B3/4K3 w", Add, 0},
        // Pawnless: D + 200 past the margin, else (D -+ 1000) / 2 truncated; edges 252 or 0
        // against 129, kings' closeness 2 * (5 - distance) for whoever is ahead.
        {"k7/8/8/8/8/8/8/3QK3 w", Replace, 9792 + 200 + 252 - 129 - 26},
        {"8/8/8/3k4/8/8/r7/4K3 w", Replace, -4820 - 200 - 129 + 8},
        {"8/8/8/3k4/8/8/n7/3BK2n w", Replace, -917 - 129 + 8},
        // Bishop and knight, light bishop: the king on h8 is seven steps from a8 and h1.
        {"7k/8/8/8/8/8/8/KBN5 w", Replace, 252 + 6104 - 252 - 3 * (21 - 5) - 60 * 7},
        // Rook against knight: corner 4, edge 3, outer 1, kings near 3, knight in a corner 1,
        // same file 2, no cover by the king 1, knight far 4, rook to move 1.
        {"k7/8/1K6/8/8/8/8/n6R w", Replace, (20 + 10) * 8 * 8},
        {"8/8/3bk3/8/8/8/8/K6R w", Replace, 1},
        // Rook and knight against rook: 5 + 3 + 1 + 3, and 1 with the strong side to move.
        {"k7/8/1K6/8/8/8/8/r5NR w", Replace, (13 + 10) * 8 * 8},
        {"k7/8/1K6/8/8/8/8/r5NR b", Replace, -(12 + 10) * 8 * 8},
        // Rook and pawn against rook: the third-rank defence, and d4 worth 1100 - 4 (kings) - 6
        // (defender to move); the e-pawn is the mirrored d-pawn.
        {"3k4/8/3r4/3PK3/8/8/8/7R w", Replace, 1},
        {"4k3/8/8/8/3P4/3K4/8/r6R b", Replace, -(1100 - 4 - 6)},
        {"3k4/8/8/8/4P3/4K3/8/R6r b", Replace, -(1100 - 4 - 6)},
        // The pawn side behind: E(d5) - E(b1) - 220 for b2 + dist(b2, d5) - dist(b2, b1).
        {"8/8/8/3k4/8/2B5/1P6/1K5r w", Replace, 0 - 206 - 220 + 8 - 2},
        // Declined: too much material, two pawns, pawn against one knight.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", None, 0},
        {"8/8/3k4/8/8/3K4/1PP5/8 w", None, 0},
        {"8/8/3k4/8/8/3K4/1P6/6n1 w", None, 0},
        {"8/8/3k4/2r5/8/3K4/1PP5/8 w", None, 0},
    };
    for (const Case& c : cases)
        for (const std::string& fen : {std::string(c.fen), flipped(c.fen)}) {
            const Erkennung_t r = recognizeFen(fen);
            EXPECT_EQ(r.kind, c.kind) << fen;
            EXPECT_EQ(r.value, c.value) << fen;
        }
}

TEST(Recognizers, TwoKnightsAgainstPawnPreferTheBlockadeFarBack) {
    const int blockadedBack = recognizeFen("8/8/8/8/8/4n3/k3P3/2K3n1 b").value;  // e2, knight on e3
    const int blockadedUp = recognizeFen("8/8/4n3/4P3/8/8/k7/2K3n1 b").value;    // e5, knight on e6
    const int freeRunner = recognizeFen("8/4P3/8/8/8/8/k7/2K2nn1 b").value;      // e7, nothing in front
    EXPECT_GT(blockadedBack, blockadedUp);
    EXPECT_GT(blockadedUp, 0);
    EXPECT_LT(freeRunner, 0);
    EXPECT_EQ(recognizeFen("8/8/8/8/8/4n3/k3P3/2K3n1 w").value, -blockadedBack);
}

// Random placements of every handled material: a position and its colour flip agree.
TEST(Recognizers, ColourFlipGivesTheSameValue) {
    const char* materials[] = {"KPk",   "KNk",   "KRk",    "KQk",    "KPkp",   "KRkn",   "KRkb",   "KNkr",
                               "KNNk",  "KBNk",  "KBPk",   "KRRk",   "KQkr",   "KRPkr",  "KBPkr",  "KNPkr",
                               "Kpnn",  "KRNkr", "KRBkr",  "KBNkb",  "KRPkrn", "KBPkbn", "KNPknn", "KRRkr",
                               "KQRkq", "KNPkp", "KRPkrp", "KQkrb"};
    std::mt19937 rng(20240611);
    for (const char* material : materials)
        for (int trial = 0; trial < 300; ++trial) {
            std::string board(64, '1');
            for (const char* c = material; *c; ++c) {
                int s;
                do s = static_cast<int>(rng() % 64);
                while (board[s] != '1' || ((*c == 'P' || *c == 'p') && (rankOf(s) == 1 || rankOf(s) == 8)));
                board[s] = *c;
            }
            std::string fen;  // single empty squares as "1": still a placement the reader takes
            for (int row = 0; row < 8; ++row) fen += board.substr(8 * row, 8) + (row < 7 ? "/" : "");
            fen += trial % 2 ? " b" : " w";
            const Erkennung_t a = recognizeFen(fen), b = recognizeFen(flipped(fen));
            ASSERT_EQ(a.kind, b.kind) << fen;
            ASSERT_EQ(a.value, b.value) << fen;
        }
}

}  // namespace
}  // namespace tolvaren
