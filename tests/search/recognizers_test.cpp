#include "search/recognizers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "board/fen.h"
#include "board/position.h"

namespace tolvaren {
namespace {

Stellung_t position(const std::string& fen) {
    Stellung_t pos{};
    Zustand_t state{};
    EXPECT_TRUE(readFen(pos, state, fen + " - -")) << fen;
    return pos;
}

// The recognition of a position and of its colour flip.
std::pair<Erkennung_t, Erkennung_t> recognizeBoth(const Stellung_t& pos) {
    Stellung_t other{};
    flipColors(pos, other);
    return {recognize(pos), recognize(other)};
}
Erkennung_t recognizeFen(const std::string& fen) { return recognize(position(fen)); }

constexpr int32_t None = Erkennung_t::None, Add = Erkennung_t::Add, Replace = Erkennung_t::Replace;

struct Case {
    const char* fen;
    int32_t kind, value;
};

// Each case is checked as given and with the colours flipped: same value for the side to move.
TEST(Recognizers, KnownValuesAndTheirColourFlips) {
    const Case cases[] = {
        // King and pawn: 7306 - 10 plies to a safe promotion; a draw is 1 for the pawn, not 0.
        {"8/P7/1K6/8/8/8/8/7k w", Replace, 7306 - 10},
        {"8/P7/1K6/8/8/8/8/7k b", Replace, -(7306 - 20)},
        {"7k/8/8/8/6KP/8/8/8 w", Replace, 1},
        {"8/4k3/8/4K3/4P3/8/8/8 w", Replace, 1},
        // Dead or level material.
        {"8/8/3k4/8/8/3K4/8/8 w", Replace, 0},
        // King and pawn against king and pawn is left to the evaluation.
        {"8/8/3k4/8/1p6/3K4/1P6/8 w", None, 0},
        {"8/8/3k4/8/8/3K4/8/b5N1 w", Replace, 0},
        {"8/8/3k4/8/8/3K4/8/5NN1 w", Replace, 1},
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
        // Declined: too much material, two pawns.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", None, 0},
        {"8/8/3k4/8/8/3K4/1PP5/8 w", None, 0},
    };
    for (const Case& c : cases) {
        const auto [r, f] = recognizeBoth(position(c.fen));
        EXPECT_EQ(std::pair(r.kind, r.value), std::pair(c.kind, c.value)) << c.fen;
        EXPECT_EQ(std::pair(f.kind, f.value), std::pair(c.kind, c.value)) << c.fen << " flipped";
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
    int legal = 0;
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
            Stellung_t pos{};
            Zustand_t state{};
            if (!readFen(pos, state, fen + " - -")) continue;  // a king in check with the other side to move
            ++legal;
            const auto [a, b] = recognizeBoth(pos);
            ASSERT_EQ(std::pair(a.kind, a.value), std::pair(b.kind, b.value)) << fen;
        }
    EXPECT_GT(legal, 4000);
}

}  // namespace
}  // namespace tolvaren
