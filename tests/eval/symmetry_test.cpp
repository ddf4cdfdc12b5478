// The evaluation must not care which colour is which: a position and its colour flip
// score the same from the side to move's view.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "board/attack_tables.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "eval/evaluate.h"

namespace tolvaren::testing {
namespace {

// Two sliders of one side on a common line with only more such sliders between them:
// the attack records count their x-rays in square-list order, which a flip changes.
bool hasFacingSliders(const Stellung_t& pos) {
    const Bitboard occupied = pos.sides[White].pieces[AllPieces] | pos.sides[Black].pieces[AllPieces];
    for (const Seite_t& s : pos.sides) {
        const Bitboard diagonal = s.pieces[Bishop] | s.pieces[Queen];
        const Bitboard orthogonal = s.pieces[Rook] | s.pieces[Queen];
        for (Bitboard a = diagonal; a;) {
            const int from = popLowest(a);
            for (Bitboard b = a; b;) {
                const int to = popLowest(b);
                if ((bishopAttacks(from, 0) & bit(to)) && !(between(from, to) & occupied & ~diagonal)) return true;
            }
        }
        for (Bitboard a = orthogonal; a;) {
            const int from = popLowest(a);
            for (Bitboard b = a; b;) {
                const int to = popLowest(b);
                if ((rookAttacks(from, 0) & bit(to)) && !(between(from, to) & occupied & ~orthogonal)) return true;
            }
        }
    }
    return false;
}

struct Tables {
    std::unique_ptr<Materialtabelle_t> material = std::make_unique<Materialtabelle_t>();
    std::unique_ptr<Bauerntabelle_t> pawns = std::make_unique<Bauerntabelle_t>();
};

// Returns false (with a message) when the flip scores differently.
::testing::AssertionResult flipAgrees(const Stellung_t& pos, const Zustand_t& state, Tables& t) {
    static Stellung_t flipped;
    static Zustand_t flippedState;
    flipColors(pos, flipped);
    computeState(flipped, flippedState);
    EvalTrace a{}, b{};
    const int v = evaluateTraced(pos, state, *t.material, *t.pawns, a);
    const int w = evaluateTraced(flipped, flippedState, *t.material, *t.pawns, b);
    if (v == w) return ::testing::AssertionSuccess();
    char fen[FenBufferSize];
    return ::testing::AssertionFailure()
           << writeFen(pos, fen) << ": " << v << " vs flipped " << w << " (total mg " << mgOf(a.total) << "/"
           << mgOf(b.total) << " eg " << egOf(a.total) << "/" << egOf(b.total) << ", pieces mg "
           << mgOf(a.pieces[0]) << "," << mgOf(a.pieces[1]) << " / " << mgOf(b.pieces[0]) << ","
           << mgOf(b.pieces[1]) << ", mobility mg " << mgOf(a.mobility[0]) << "," << mgOf(a.mobility[1])
           << " / " << mgOf(b.mobility[0]) << "," << mgOf(b.mobility[1]) << ", king safety "
           << a.kingSafety << "/" << b.kingSafety << ", king endgame " << a.kingEndgame << "/"
           << b.kingEndgame << ", scaled " << a.scaled << "/" << b.scaled << ")";
}

TEST(EvaluationSymmetry, HandWrittenPositions) {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/ppp1qppp/2np1n2/2b1p1B1/2B1P1b1/2NP1N2/PPP1QPPP/R3K2R w KQkq - 0 1",
        "r3k2r/ppp1qppp/2np1n2/2b1p1B1/2B1P1b1/2NP1N2/PPP1QPPP/R3K2R b Kq - 0 1",
        "4k3/8/8/3b4/8/8/4P3/4K1B1 w - - 0 1",              // opposite bishops
        "8/5k2/P7/8/8/8/5K2/8 w - - 0 1",                  // runaway passer
        "8/1p3k2/P7/2P5/8/8/5K2/8 b - - 0 1",
        "6k1/5ppp/8/8/8/8/5PPP/6K1 w - - 0 1",
        "r1bqk2r/pppp1ppp/2n2n2/4p3/1bB1P3/2N2N2/PPPP1PPP/R1BQK2R w KQkq - 0 1",  // pin
        "4k3/1B6/1p6/8/8/8/8/4K3 b - - 0 1",               // bishop in the corner
        "4k3/Bp6/8/8/8/8/8/4K3 b - - 0 1",
        "1r4k1/1P3ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
        "2r3k1/p4ppp/1p6/3P4/8/8/PP3PPP/2R3K1 w - - 0 1",
        "8/8/4k3/8/2K5/8/8/8 w - - 0 1",
        "8/8/4k3/8/2K5/8/8/8 b - - 0 1",
        "6k1/8/8/8/8/8/R7/6K1 w - - 0 1",
        "3qk3/8/8/8/8/8/8/4K3 w - - 0 1",
        "r3k3/1P6/8/8/8/8/6p1/4K2R w Kq - 0 1",
    };
    Tables t;
    for (const char* fen : fens) {
        Stellung_t pos;
        Zustand_t state;
        ASSERT_TRUE(readFen(pos, state, fen)) << fen;
        ASSERT_FALSE(hasFacingSliders(pos)) << fen;
        EXPECT_TRUE(flipAgrees(pos, state, t));
    }
}

// Random legal games; every position without facing slider pairs is checked.
TEST(EvaluationSymmetry, RandomGames) {
    Tables t;
    uint64_t seed = 0x243F6A8885A308D3ULL;
    auto next = [&seed] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(seed >> 33);
    };
    static Stellung_t pos;
    static Zustand_t states[2];
    int checked = 0, failures = 0;
    // Endings reach the endgame king term, pawn races and the scaling rules sooner.
    const char* endings[] = {
        "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1",
        "2b1k3/pp3ppp/8/8/8/8/PP3PPP/4KB2 w - - 0 1",
        "r3k3/pp3ppp/3b4/8/8/5B2/PP3PPP/R3K3 w - - 0 1",
        "1n2k1n1/pppppppp/8/8/8/8/PPPPPPPP/1N2K1N1 w - - 0 1",
        "4k3/2p2pp1/8/1P6/8/8/5PP1/4K3 b - - 0 1",
    };
    for (int game = 0; game < 90 && failures < 5; ++game) {
        if (game % 3 == 2) {
            setChess960Position(pos, states[0], next() % 960);
        } else if (game % 3 == 1) {
            ASSERT_TRUE(readFen(pos, states[0], endings[game / 3 % 5]));
        } else {
            setStartPosition(pos, states[0]);
        }
        int cur = 0;
        for (int ply = 0; ply < 160 && failures < 5; ++ply) {
            if (!hasFacingSliders(pos)) {
                ++checked;
                const auto result = flipAgrees(pos, states[cur], t);
                if (!result) ++failures;
                EXPECT_TRUE(result);
            }
            Zugliste_t list;
            uint32_t* end = generate(pos, states[cur], list.begin());
            std::vector<Zug_t> legal;
            for (uint32_t* m = list.begin(); m != end; ++m)
                if (leavesKingSafe(pos, states[cur], moveOf(*m))) legal.push_back(moveOf(*m));
            if (legal.empty()) break;
            Rueckzug_t undo;
            if (!playMove(pos, legal[next() % legal.size()], states[cur], states[cur ^ 1], undo)) break;
            cur ^= 1;
        }
    }
    EXPECT_GT(checked, 5000);
    RecordProperty("checked", checked);
}

}  // namespace
}  // namespace tolvaren::testing
