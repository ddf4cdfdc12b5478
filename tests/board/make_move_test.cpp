// Making and taking back moves, and the draws the moves lead to.
#include "board/make_move.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>

#include "board/consistency.h"
#include "board/draw_classification.h"
#include "board/hash_keys.h"
#include "board/movegen.h"
#include "board_test_support.h"

namespace tolvaren {
namespace {

using test::boardFromFen;

// For every move of every position along random games (standard and Chess960): the
// new state (keys, attack records) equals one computed from scratch, and take back
// restores the board part byte for byte. Also FEN and colour flip round trips on the way.
// The two positions start with a quiet move onto or off a square no enemy piece attacks,
// between a pinned knight and its king, which unpins or pins it: the opponent's attacks
// stay as they were, its pins do not.
TEST(MakeMove, RandomGamesKeepKeysAndRestoreExactly) {
    static Stellung_t saved, flipped, back;
    int castlings = 0, enPassants = 0, promotions = 0;
    const std::vector<std::string> pins = {"4r1k1/8/8/8/4N3/8/8/3BK3 w - - 0 1",
                                           "4r1k1/8/8/8/4N3/8/4B3/4K3 w - - 0 1"};
    test::playRandomGames(
        777, 80, 200,
        [&](test::Board& b, const std::vector<Zug_t>& moves) {
            std::memcpy(&saved, &b.pos, sizeof saved);
            for (const Zug_t move : moves) {
                Zustand_t next;
                Rueckzug_t undo;
                ASSERT_TRUE(playMove(b.pos, move, b.state, next, undo));
                ASSERT_TRUE(isConsistent(b.pos, next)) << test::fenOf(saved) << " " << move;
                castlings += moveKind(move) == ZugRochade;
                enPassants += moveKind(move) == ZugEnPassant;
                promotions += isPromotion(move);
                takeBack(undo);
                ASSERT_EQ(std::memcmp(&saved, &b.pos, BoardPartSize), 0) << test::fenOf(saved) << " " << move;
            }
            const std::string fen = test::fenOf(b.pos);
            const auto reread = boardFromFen(fen);
            EXPECT_EQ(test::fenOf(reread.pos), fen);
            EXPECT_EQ(reread.state.hashKey, b.state.hashKey) << fen;
            flipColors(b.pos, flipped);
            flipColors(flipped, back);
            rebuildLists(saved);
            EXPECT_EQ(std::memcmp(&back, &saved, BoardPartSize), 0) << fen;
        },
        pins);
    EXPECT_GT(castlings, 0);
    EXPECT_GT(enPassants, 0);
    EXPECT_GT(promotions, 0);
}

// Perft's lean make must agree with the full one on legality, keys and every field move
// generation reads, so that the same moves follow; pseudo-legal moves are tried too.
TEST(MakeMove, CountingMakeFillsWhatGenerationReads) {
    static Stellung_t saved;
    int illegal = 0;
    test::playRandomGames(4242, 40, 160, [&](test::Board& b, const std::vector<Zug_t>&) {
        Zugliste_t moves;
        uint32_t* const end = generate(b.pos, b.state, moves.begin());
        std::memcpy(&saved, &b.pos, sizeof saved);
        for (uint32_t* m = moves.begin(); m != end; ++m) {
            const Zug_t move = moveOf(*m);
            Zustand_t full, lean;
            Rueckzug_t undo;
            const bool legal = playMove(b.pos, move, b.state, full, undo);
            if (legal) takeBack(undo);
            ASSERT_EQ(playMoveForCounting(b.pos, move, b.state, lean, undo), legal)
                << test::fenOf(saved) << " " << move;
            if (!legal) {
                ++illegal;
                ASSERT_EQ(std::memcmp(&saved, &b.pos, BoardPartSize), 0);
                continue;
            }
            const int mover = saved.side;
            EXPECT_EQ(lean.occupancy, full.occupancy);
            EXPECT_EQ(lean.hashKey, full.hashKey);
            EXPECT_EQ(lean.pawnKey, full.pawnKey);
            EXPECT_EQ(lean.materialKey, full.materialKey);
            EXPECT_EQ(lean.by(mover).attacked, full.by(mover).attacked);
            EXPECT_EQ(lean.by(mover).pawnAttacks, full.by(mover).pawnAttacks);
            EXPECT_EQ(lean.by(mover).pinned, full.by(mover).pinned);
            Zugliste_t a, c;
            uint32_t* const aEnd = generate(b.pos, full, a.begin());
            uint32_t* const cEnd = generate(b.pos, lean, c.begin());
            ASSERT_EQ(aEnd - a.begin(), cEnd - c.begin()) << test::fenOf(b.pos);
            EXPECT_TRUE(std::equal(a.begin(), aEnd, c.begin())) << test::fenOf(b.pos);
            for (const uint32_t* r = c.begin(); r != cEnd; ++r)
                EXPECT_EQ(leavesKingSafe(b.pos, lean, moveOf(*r)), leavesKingSafe(b.pos, full, moveOf(*r)));
            takeBack(undo);
            ASSERT_EQ(std::memcmp(&saved, &b.pos, BoardPartSize), 0) << test::fenOf(saved) << " " << move;
        }
    });
    EXPECT_GT(illegal, 0);  // pinned pieces and king walks into checks were tried
}

// Standard castling rights and e.p. squares are checked by the random games (a FEN with
// a stale right or e.p. square does not read back) and by the perft counts.
TEST(MakeMove, Chess960Castling) {
    // The king stays on g1 or walks past its rook; take back restores either exactly.
    auto b = boardFromFen("1r4kr/8/8/8/8/8/8/1R4KR w HBhb -");
    static Stellung_t saved;
    for (const char* castling : {"O-O", "O-O-O"}) {
        std::memcpy(&saved, &b.pos, sizeof saved);
        Zustand_t next;
        Rueckzug_t undo;
        ASSERT_TRUE(playMove(b.pos, readCoordinate(b.pos, castling), b.state, next, undo)) << castling;
        EXPECT_TRUE(isConsistent(b.pos, next)) << castling;
        takeBack(undo);
        EXPECT_EQ(std::memcmp(&saved, &b.pos, BoardPartSize), 0) << castling;
    }
    ASSERT_TRUE(b.play("O-O"));
    EXPECT_EQ(test::fenOf(b.pos), "1r4kr/8/8/8/8/8/8/1R3RK1 b kq -");
    EXPECT_FALSE(b.play("O-O-O"));  // f8 is attacked by the rook on f1
    ASSERT_TRUE(b.play("O-O"));
    EXPECT_EQ(test::fenOf(b.pos), "1r3rk1/8/8/8/8/8/8/1R3RK1 w - -");
    EXPECT_TRUE(isConsistent(b.pos, b.state));
}

TEST(MakeMove, HistoryKeepsAtMost101Keys) {
    auto b = boardFromFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    const char* shuffle[4] = {"a1a2", "e8d8", "a2a1", "d8e8"};
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(b.play(shuffle[i % 4]));
    EXPECT_EQ(std::make_tuple(+b.pos.historyLength, b.pos.history[100]),
              std::make_tuple(101, b.state.hashKey));
    EXPECT_EQ(b.pos.history[0], b.pos.history[4]);
    ASSERT_TRUE(b.play("a1a3"));
    EXPECT_EQ(b.pos.historyLength, 101);
    auto c = boardFromFen("4k3/8/8/8/8/8/4P3/R3K3 w - - 7 1");
    ASSERT_TRUE(c.play("e2e3"));
    EXPECT_EQ(std::make_tuple(+c.pos.historyLength, c.pos.history[0]), std::make_tuple(1, c.state.hashKey));
}

TEST(MakeMove, NullMoveClearsEnPassant) {
    auto b = boardFromFen("4k3/8/8/8/3pP3/8/8/4K3 b - e3");
    ASSERT_EQ(b.pos.epSquare, 44);
    Zustand_t next;
    playNullMove(b.pos, b.state, next);
    EXPECT_EQ(std::make_tuple(+b.pos.side, +b.pos.epSquare), std::make_tuple(+White, 0));
    EXPECT_EQ(next.hashKey, computeHashKey(b.pos));
    EXPECT_EQ(next.by(White).attacked, b.state.by(White).attacked);
}

// The other attack records are checked by the perft counts (pins) and the evaluation's
// hand-derived values (pawn attacks, squares attacked twice, a pawn threatening a rook).
TEST(MakeMove, KnightThreatensTheQueenButNotALoneBishop) {
    const auto b = boardFromFen("4k3/8/8/8/2n5/8/1P1B4/R3K3 b - -");
    EXPECT_EQ(b.state.by(Black).threats, 0u);  // the c4 knight sees bishop d2, no rook or queen
    const auto t = boardFromFen("4k3/8/8/3q4/8/2N5/8/4K3 w - -");
    EXPECT_EQ(t.state.by(White).threats, bit(27));  // knight attacks the queen
}

TEST(MakeMove, MaterialKeyOppositeBishopTerm) {
    // White takes one of Black's two bishops: one each, on different colours.
    auto b = boardFromFen("4k3/8/8/3b4/8/8/1b6/B3K3 w - -");
    ASSERT_TRUE(b.play("a1b2"));
    EXPECT_EQ(b.state.materialKey,
              MaterialMultiplier[White][Bishop] + MaterialMultiplier[Black][Bishop] + OppositeBishopsKey);
}

}  // namespace
namespace {

using test::Board;
using test::boardFromFen;

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
    play(*game, {"g1f3", "g8f6", "f3g1", "f6g8"});
    EXPECT_EQ(classify(*game), DrawRepetition);
}

TEST(DrawClassification, MaterialThatCannotMate) {
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3K1N2/8/8 w - - 0 1"), DrawNoMaterial);
    // Bishops all on one colour are dead; on both colours they are not.
    EXPECT_EQ(classifyFen("8/8/4k1b1/8/8/3K1B2/8/8 w - - 0 1"), DrawDeadBishops);
    EXPECT_EQ(classifyFen("8/8/4kb2/8/8/3K1B2/8/8 w - - 0 1"), DrawNone);
    // Two knights, knight against bishop, and any pawn play on.
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3KNN2/8/8 w - - 0 1"), DrawNone);
    EXPECT_EQ(classifyFen("8/8/4kn2/8/8/3K1B2/8/8 w - - 0 1"), DrawNone);
    EXPECT_EQ(classifyFen("8/8/4k3/8/8/3K4/4P3/8 w - - 0 1"), DrawNone);
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
