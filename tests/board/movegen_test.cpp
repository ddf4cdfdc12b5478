// The attack tables, the move generators built on them, and the perft counts that check both.
#include "board/movegen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "board/attack_tables.h"
#include "board/perft.h"
#include "board_test_support.h"

namespace tolvaren {
namespace {

using test::boardFromFen;

std::vector<std::string> generated(const test::Board& b) {
    Zugliste_t list;
    uint32_t* end = generate(b.pos, b.state, list.begin());
    return test::moveTexts(b.pos, list.begin(), end);
}

bool lists(const test::Board& b, const std::string& text) {
    const auto moves = generated(b);
    return std::find(moves.begin(), moves.end(), text) != moves.end();
}

// The standard castling conditions and the evasions (double check, e.p. out of check, the
// king stepping back along the checking line, pinned pieces) are covered by the perft counts.
TEST(MoveGen, Chess960CastlingConditions) {
    // The rook on the king's target and the king on the rook's target do not block.
    EXPECT_TRUE(lists(boardFromFen("4k3/8/8/8/8/8/8/4K1R1 w Kg -"), "O-O"));
    EXPECT_TRUE(lists(boardFromFen("4k3/8/8/8/8/8/8/R2K4 w Qa -"), "O-O-O"));  // king d1 is the rook's target
    // The castling rook shields the king's target: castling would walk into check.
    EXPECT_FALSE(lists(boardFromFen("4k3/8/8/8/8/8/8/qR2K3 w Qb -"), "O-O-O"));
}

// Over random games: generate lists only moves whose legality leavesKingSafe and make
// agree on, without duplicates, and the tactical generator lists only moves that
// generate lists, without duplicates and, out of check, without under-promotions.
TEST(MoveGen, GeneratorsAgreeWithMakeOverRandomGames) {
    test::playRandomGames(12345, 60, 120, [](test::Board& b, const std::vector<Zug_t>&) {
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
            ASSERT_EQ(played, leavesKingSafe(b.pos, b.state, move)) << test::fenOf(b.pos);
        }
        for (int mode = 0; mode <= 2; ++mode) {
            Zugliste_t tactical;
            const Bitboard targets = b.pos.sides[b.pos.side ^ 1].pieces[AllPieces];
            uint32_t* tend = generateTactical(b.pos, b.state, targets, mode, tactical.begin());
            std::set<Zug_t> seen;
            for (uint32_t* m = tactical.begin(); m != tend; ++m) {
                const Zug_t move = moveOf(*m);
                EXPECT_TRUE(seen.insert(move).second) << "tactical duplicate " << test::fenOf(b.pos);
                EXPECT_TRUE(all.count(move)) << "tactical move not generated " << test::fenOf(b.pos);
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
        return test::moveTexts(b.pos, list.begin(), end);
    };
    const char* rook = "2r1k3/1P6/8/8/8/8/8/R3K2N w - -";
    EXPECT_EQ(texts(rook, bit(2), 0), (std::vector<std::string>{"b7c8q", "b7b8q"}));
    EXPECT_EQ(texts(rook, 0, 0), (std::vector<std::string>{"b7b8q"}));
    const auto quiet = texts("4k3/1P6/8/8/8/8/8/R3K2N w - -", 0, 1);
    EXPECT_NE(std::find(quiet.begin(), quiet.end(), "a1a8"), quiet.end());  // rook check along the rank
    EXPECT_EQ(std::find(quiet.begin(), quiet.end(), "a1a7"), quiet.end());
}

// A listed move that leaves the king in check is refused everywhere and changes nothing.
TEST(MoveGen, ContainsIsLegalAndMakeAgree) {
    auto p = boardFromFen("4k3/4r3/8/8/8/8/4B3/4K3 w - -");
    const Zug_t pinned = makeMove(52, 43, ZugLaeufer);
    static Stellung_t saved;
    std::memcpy(&saved, &p.pos, sizeof saved);
    EXPECT_TRUE(contains(p.pos, pinned, p.state));
    EXPECT_FALSE(isLegal(p.pos, pinned, p.state));
    Zustand_t next;
    Rueckzug_t undo;
    EXPECT_FALSE(playMove(p.pos, pinned, p.state, next, undo));
    EXPECT_FALSE(playPermanent(p.pos, pinned, p.state, next));
    EXPECT_EQ(std::memcmp(&saved, &p.pos, sizeof saved), 0);
}

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

// Pins (of the king's own pieces) and discovering pieces (of the sliders' side) both
// come from this one test of a slider line.
TEST(AttackTables, LoneBlockersStandAloneOnTheirSlidersLine) {
    const int king = squareOf(4, 1);  // e1
    const Bitboard e8 = bit(squareOf(4, 8)), e6 = bit(squareOf(4, 6)), e4 = bit(squareOf(4, 4));
    const Bitboard a5 = bit(squareOf(0, 5)), c3 = bit(squareOf(2, 3));
    const Bitboard occupancy = bit(king) | e8 | e4 | a5 | c3;
    // A rook on e8 and a bishop on a5; e4 and c3 each shield the king alone.
    EXPECT_EQ(loneBlockers(king, e8, a5, occupancy, e4 | c3), e4 | c3);
    EXPECT_EQ(loneBlockers(king, e8, a5, occupancy, c3), c3);  // only the owners' pieces
    // A slider counts only along its own kind of line.
    EXPECT_EQ(loneBlockers(king, a5, e8, occupancy, e4 | c3), 0u);
    // With a second piece on the line neither is alone.
    EXPECT_EQ(loneBlockers(king, e8, 0, occupancy | e6, e4 | e6), 0u);
}

// The table count is what the evaluation counts with; compared over all four 16-bit parts.
TEST(AttackTables, TableCountMatchesPopCount) {
    for (const Bitboard b : {0x1ULL, 0x8000000000000000ULL, 0xF0F0F0F0F0F0F0F0ULL, 0x0123456789ABCDEFULL})
        EXPECT_EQ(popCountByTable(b), popCount(b)) << b;
}

struct PerftCase {
    const char* fen;
    std::vector<uint64_t> counts;  // depths 1, 2, ...
};

// Published counts of the well-known test positions (standard and Chess960).
const PerftCase Cases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {20, 400, 8902, 197281, 4865609}},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", {48, 2039, 97862, 4085603}},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", {14, 191, 2812, 43238, 674624, 11030083}},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", {6, 264, 9467, 422333}},
    {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", {6, 264, 9467, 422333}},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", {44, 1486, 62379, 2103487}},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", {46, 2079, 89890, 3894594}},
    {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", {21, 528, 12189, 326672}},
    {"2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe - 1 9", {21, 807, 18002, 667366}},
    {"b1q1rrkb/pppppppp/3nn3/8/P7/1PPP4/4PPPP/BQNNRKRB w GE - 1 9", {20, 479, 10471, 273318}},
    {"qbbnnrkr/2pp2pp/p7/1p2pp2/8/P3PP2/1PPP1KPP/QBBNNR1R w hf - 0 9", {22, 593, 13440, 382958}},
    {"1nbbnrkr/p1p1ppp1/3p4/1p3P1p/3Pq2P/8/PPP1P1P1/QNBBNRKR w HFhf - 0 9", {28, 1120, 31058, 1171749}},
};

TEST(Perft, PublishedCountsWithAndWithoutTable) {
    for (const PerftCase& c : Cases) {
        auto b = test::boardFromFen(c.fen);
        for (size_t d = 0; d < c.counts.size(); ++d) {
            PerftTabelle_t none(0);
            EXPECT_EQ(perft(none, b.pos, b.state, static_cast<int>(d + 1)), c.counts[d])
                << c.fen << " depth " << d + 1;
        }
        PerftTabelle_t table(1 << 20);
        for (int d = static_cast<int>(c.counts.size()); d >= 1; --d)
            EXPECT_EQ(perft(table, b.pos, b.state, d), c.counts[d - 1]) << c.fen << " hashed depth " << d;
        EXPECT_EQ(test::fenOf(b.pos), test::fenOf(test::boardFromFen(c.fen).pos));
    }
}

}  // namespace

}  // namespace tolvaren
