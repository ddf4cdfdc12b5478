// The attack tables and the move generators built on them.
#include "board/movegen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "board/attack_tables.h"
#include "board_test_support.h"

namespace tolvaren {
namespace {

using testing::boardFromFen;

std::vector<std::string> generated(const testing::Board& b) {
    Zugliste_t list;
    uint32_t* end = generate(b.pos, b.state, list.begin());
    return testing::moveTexts(b.pos, list.begin(), end);
}

bool lists(const testing::Board& b, const std::string& text) {
    const auto moves = generated(b);
    return std::find(moves.begin(), moves.end(), text) != moves.end();
}

TEST(MoveGen, StartPositionOrder) {
    const auto b = boardFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    const std::vector<std::string> expected = {"a2a4", "b2b4", "c2c4", "d2d4", "e2e4", "f2f4", "g2g4",
                                               "h2h4", "a2a3", "b2b3", "c2c3", "d2d3", "e2e3", "f2f3",
                                               "g2g3", "h2h3", "b1a3", "b1c3", "g1f3", "g1h3"};
    EXPECT_EQ(generated(b), expected);
    Zugliste_t list;
    generate(b.pos, b.state, list.begin());
    EXPECT_EQ(list.entry[0] >> 16, 0u);
    EXPECT_EQ(moveKind(moveOf(list.entry[0])), ZugBauer);
    EXPECT_EQ(moveKind(moveOf(list.entry[16])), ZugSpringer);
}

TEST(MoveGen, SeventhRankPawnGivesTwelveMovesInOrder) {
    const auto b = boardFromFen("k2r1r2/4P3/8/8/8/8/8/7K w - -");
    auto moves = generated(b);
    moves.resize(12);
    const std::vector<std::string> expected = {"e7d8q", "e7d8r", "e7d8b", "e7d8n", "e7f8q", "e7f8r",
                                               "e7f8b", "e7f8n", "e7e8q", "e7e8r", "e7e8b", "e7e8n"};
    EXPECT_EQ(moves, expected);
}

TEST(MoveGen, CastlingConditions) {
    // Both listed, short first.
    auto b = boardFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    auto moves = generated(b);
    ASSERT_GE(moves.size(), 2u);
    EXPECT_EQ(moves[moves.size() - 2], "e1g1");
    EXPECT_EQ(moves.back(), "e1c1");
    // f1 attacked: no short castling; b1 attacked does not stop long castling.
    b = boardFromFen("r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq -");
    EXPECT_FALSE(lists(b, "e1g1"));
    b = boardFromFen("1r2k2r/8/8/8/8/8/8/R3K2R w KQk -");
    EXPECT_TRUE(lists(b, "e1c1"));
    // A piece on b1 blocks the rook's path.
    b = boardFromFen("r3k2r/8/8/8/8/8/8/RN2K2R w KQkq -");
    EXPECT_FALSE(lists(b, "e1c1"));
    EXPECT_TRUE(lists(b, "e1g1"));
    // Chess960: the rook on the king's target and the king on the rook's target do not block.
    b = boardFromFen("4k3/8/8/8/8/8/8/4K1R1 w Kg -");
    EXPECT_TRUE(lists(b, "O-O"));
    b = boardFromFen("4k3/8/8/8/8/8/8/R2K4 w Qa -");  // king d1 is the rook's target
    EXPECT_TRUE(lists(b, "O-O-O"));
    // The castling rook shields the king's target: castling would walk into check.
    b = boardFromFen("4k3/8/8/8/8/8/8/qR2K3 w Qb -");
    EXPECT_FALSE(lists(b, "O-O-O"));
}

TEST(MoveGen, EvasionsDoubleCheckAndEnPassant) {
    // Double check by rook and knight: only king moves.
    auto b = boardFromFen("4r1k1/8/8/8/8/8/3n4/R3K3 w - -");
    for (const auto& m : generated(b)) EXPECT_EQ(m.substr(0, 2), "e1") << m;
    // The pawn that just went two gives check; taking it e.p. is an evasion.
    b = boardFromFen("8/8/8/2k5/3Pp3/8/8/4K3 b - d3");
    EXPECT_TRUE(lists(b, "e4d3"));
    // Stepping back along the checking rook's line is no escape.
    b = boardFromFen("4k3/8/8/8/8/8/8/r3K3 w - -");
    EXPECT_FALSE(lists(b, "e1f1"));
    EXPECT_TRUE(lists(b, "e1e2"));
    // Pinned pieces do not move while in check.
    b = boardFromFen("4k3/4r3/8/8/8/8/4B3/r3K3 w - -");
    EXPECT_FALSE(lists(b, "e2b5"));
}

// Over random games: generate lists only moves whose legality leavesKingSafe and make
// agree on, without duplicates, and the tactical generator lists only moves that
// generate lists, without duplicates and, out of check, without under-promotions.
TEST(MoveGen, GeneratorsAgreeWithMakeOverRandomGames) {
    testing::playRandomGames(12345, 60, 120, [](testing::Board& b, const std::vector<Zug_t>&) {
        Zugliste_t list;
        uint32_t* end = generate(b.pos, b.state, list.begin());
        std::set<Zug_t> all;
        for (uint32_t* m = list.begin(); m != end; ++m) {
            const Zug_t move = moveOf(*m);
            EXPECT_TRUE(all.insert(move).second) << "duplicate";
            Zustand_t next;
            Rueckzug_t undo;
            const bool played = playMove(b.pos, move, b.state, next, undo);
            if (played) takeBack(undo);
            ASSERT_EQ(played, leavesKingSafe(b.pos, b.state, move)) << testing::fenOf(b.pos);
        }
        for (int mode = 0; mode <= 2; ++mode) {
            Zugliste_t tactical;
            const Bitboard targets = b.pos.sides[b.pos.side ^ 1].pieces[AllPieces];
            uint32_t* tend = generateTactical(b.pos, b.state, targets, mode, tactical.begin());
            std::set<Zug_t> seen;
            for (uint32_t* m = tactical.begin(); m != tend; ++m) {
                const Zug_t move = moveOf(*m);
                EXPECT_TRUE(seen.insert(move).second) << "tactical duplicate " << testing::fenOf(b.pos);
                EXPECT_TRUE(all.count(move)) << "tactical move not generated " << testing::fenOf(b.pos);
                EXPECT_TRUE(inCheck(b.pos, b.state) || !isPromotion(move) || moveKind(move) == ZugUmwDame);
            }
        }
    });
}

TEST(MoveGen, TacticalModes) {
    // Captures of targets, checking captures, queen promotion only; quiet checks from mode 1.
    auto texts = [](const char* fen, Bitboard targets, int mode) {
        const auto b = boardFromFen(fen);
        Zugliste_t list;
        uint32_t* end = generateTactical(b.pos, b.state, targets, mode, list.begin());
        return testing::moveTexts(b.pos, list.begin(), end);
    };
    const char* rook = "2r1k3/1P6/8/8/8/8/8/R3K2N w - -";
    EXPECT_EQ(texts(rook, bit(2), 0), (std::vector<std::string>{"b7c8q", "b7b8q"}));
    EXPECT_EQ(texts(rook, 0, 0), (std::vector<std::string>{"b7b8q"}));
    const char* open = "4k3/1P6/8/8/8/8/8/R3K2N w - -";
    const auto quiet = texts(open, 0, 1);
    EXPECT_NE(std::find(quiet.begin(), quiet.end(), "a1a8"), quiet.end());  // rook check along the rank
    EXPECT_EQ(std::find(quiet.begin(), quiet.end(), "a1a7"), quiet.end());
    EXPECT_EQ(texts(open, 0, 0), (std::vector<std::string>{"b7b8q"}));
}

TEST(MoveGen, ContainsAndIsLegal) {
    const auto b = boardFromFen("4k3/8/8/8/8/8/4r3/4K3 w - -");
    EXPECT_TRUE(contains(b.pos, makeMove(60, 52, ZugKoenig), b.state));
    EXPECT_TRUE(isLegal(b.pos, makeMove(60, 52, ZugKoenig), b.state));
    EXPECT_FALSE(contains(b.pos, makeMove(60, 44, ZugKoenig), b.state));
    EXPECT_FALSE(contains(b.pos, 0, b.state));
    // A pinned piece's move is listed but not legal.
    const auto p = boardFromFen("4k3/4r3/8/8/8/8/4B3/4K3 w - -");
    EXPECT_TRUE(contains(p.pos, makeMove(52, 43, ZugLaeufer), p.state));
    EXPECT_FALSE(isLegal(p.pos, makeMove(52, 43, ZugLaeufer), p.state));
    // E.p. that would expose the king along the rank.
    const auto e = boardFromFen("8/8/8/KPp4r/8/8/8/4k3 w - c6");
    EXPECT_TRUE(contains(e.pos, makeMove(25, 18, ZugEnPassant), e.state));
    EXPECT_FALSE(isLegal(e.pos, makeMove(25, 18, ZugEnPassant), e.state));
}

}  // namespace
namespace {

Bitboard slowSlider(int square, Bitboard occupancy, bool diagonal) {
    Bitboard result = 0;
    const int steps[2][4][2] = {{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}, {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}}};
    for (const auto& s : steps[diagonal]) {
        for (int f = fileOf(square) + s[0], r = (square >> 3) + s[1]; f >= 0 && f < 8 && r >= 0 && r < 8;
             f += s[0], r += s[1]) {
            result |= bit(8 * r + f);
            if (occupancy & bit(8 * r + f)) break;
        }
    }
    return result;
}

// Every subset of every relevance mask, plus outside bits, must give the traced attacks:
// this is what proves the committed multipliers.
TEST(AttackTables, SliderAttacksMatchTracedRaysForEveryOccupancy) {
    for (int sq = 0; sq < 64; ++sq) {
        for (const bool diagonal : {false, true}) {
            const Bitboard mask = diagonal ? attackTables.bishop[sq].mask : attackTables.rook[sq].mask;
            Bitboard subset = 0;
            do {
                const Bitboard occ = subset | (~mask & 0x8142241818244281ULL);
                const Bitboard got = diagonal ? bishopAttacks(sq, occ) : rookAttacks(sq, occ);
                ASSERT_EQ(got, slowSlider(sq, occ, diagonal)) << sq << " " << diagonal;
                subset = (subset - mask) & mask;
            } while (subset);
        }
    }
}

TEST(AttackTables, StepSetsBetweenLinesAndRays) {
    EXPECT_EQ(popCount(knightAttacks(0)), 2);   // a8
    EXPECT_EQ(popCount(knightAttacks(27)), 8);  // d5
    EXPECT_EQ(kingAttacks(63), bit(62) | bit(55) | bit(54));
    EXPECT_EQ(pawnCaptures(White, 52), bit(43) | bit(45));  // e2 attacks d3, f3
    EXPECT_EQ(pawnCaptures(Black, 8), bit(17));             // a7 attacks b6 only
    EXPECT_EQ(between(56, 63), 0x7EULL << 56);              // a1..h1
    EXPECT_EQ(between(0, 63), 0x0040201008040200ULL);       // the long diagonal
    EXPECT_EQ(between(0, 10), 0u);                          // a8, c7 not aligned
    EXPECT_EQ(lineThrough(9, 18), lineThrough(0, 63));
    EXPECT_EQ(lineThrough(0, 10), 0u);
    EXPECT_EQ(ray(60, North), FileA << 4 & ~bit(60));
    EXPECT_EQ(ray(60, West), bit(56) | bit(57) | bit(58) | bit(59));
}

TEST(AttackTables, CountAndScanTables) {
    for (const Bitboard b : {0x1ULL, 0x8000000000000000ULL, 0xF0F0F0F0F0F0F0F0ULL, 0x0123456789ABCDEFULL}) {
        EXPECT_EQ(popCountByTable(b), popCount(b));
        EXPECT_EQ(lowestSquareByTable(b), lowestSquare(b));
    }
    for (int sq = 0; sq < 64; ++sq) EXPECT_EQ(lowestSquareByTable(bit(sq) | bit(63)), sq);
    EXPECT_EQ(attackTables.lsbByte[0x50], 4);
}

}  // namespace

}  // namespace tolvaren
