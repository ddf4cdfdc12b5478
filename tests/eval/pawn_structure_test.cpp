#include "eval/pawn_structure.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>
#include <tuple>

#include "eval/score.h"
#include "eval/square_sets.h"
#include "eval/weights.h"
#include "eval_test_support.h"

namespace tolvaren::test {
namespace {

BauernEintrag_t entryOf(Bitboard white, Bitboard black) {
    BauernEintrag_t e{};
    computePawnEntry(white, black, 12345, e);
    return e;
}

void expectScore(const BauernEintrag_t& e, int mg, int eg) {
    EXPECT_EQ(mgOf(e.score), mg);
    EXPECT_EQ(egOf(e.score), eg);
}

TEST(PawnStructure, FileStructureTerms) {
    // Isolated doubled c-pawns: square table 102/273, isolated file -80/-99 and
    // -116/-114 once, c3 doubled -151/-139, both passed 82/-152.
    expectScore(entryOf(at({"c2", "c3"}), 0), 102 - 80 - 116 - 151 + 82, 273 - 99 - 114 - 139 - 152);
    // Three on the e-file: the third is tripled once, two of them doubled.
    expectScore(entryOf(at({"e2", "e3", "e4"}), 0), 306 - 300 - 80 - 116 - 2 * 151 + 201,
                457 - 300 - 99 - 114 - 2 * 139 - 293);
    // Two on a file four squares apart are neither tripled nor doubled.
    const BauernEintrag_t apart = entryOf(at({"e2", "e6"}), 0);
    const BauernEintrag_t close = entryOf(at({"e2", "e5"}), 0);
    EXPECT_EQ(mgOf(close.score) - mgOf(apart.score),
              mgOf(PawnSquare[squareOf(4, 5)] + PassedPawnSquare[squareOf(4, 5)]) -
                  mgOf(PawnSquare[squareOf(4, 6)] + PassedPawnSquare[squareOf(4, 6)]) - 151);
    // Isolated edge file.
    expectScore(entryOf(at({"a3"}), 0), -68 - 19 + 34, 40 - 30 + 33);
}

TEST(PawnStructure, CandidateAndBackward) {
    // c5 is a candidate (helper d5, no sentries); d7 is backward (d6 attacked by c5).
    const BauernEintrag_t e = entryOf(at({"c5", "d5"}), at({"d7"}));
    expectScore(e, (129 + 172 + 170) - (90 - 80 - 42), (194 + 204 + 76) - (144 - 99 - 21));
    EXPECT_EQ(e.passed, 0u);
    EXPECT_EQ(e.blockedOrBackward, at({"d7"}));
    EXPECT_EQ(e.backwardOnHalfOpen, 0u);  // a White pawn stands on the d-file

    // Mutually backward d3/e5, each on a file without enemy pawns.
    const BauernEintrag_t m = entryOf(at({"d3"}), at({"e5"}));
    EXPECT_EQ(std::make_tuple(m.blockedOrBackward, m.backwardOnHalfOpen), std::make_tuple(at({"d3", "e5"}), at({"d3", "e5"})));

    // Blocked pairs go into the same set.
    EXPECT_EQ(entryOf(at({"e4", "d4"}), at({"e5"})).blockedOrBackward & at({"e4", "e5"}), at({"e4", "e5"}));
}

// A pawn that is not passed is a candidate when its own pawns beside or behind it on the
// neighbouring files are at least as many as the enemy pawns ahead of it on those files.
TEST(PawnStructure, CandidatesCountHelpersAgainstStoppers) {
    // d5 faces two stoppers (c7, e7) with one helper (e5): no bonus. White: d5 and e5
    // score (172, 204) each. Black: c7 (47, 134) + e7 (90, 144), both isolated
    // 2 x (-80, -99), c6/e6 backward 2 x (-42, -21): (-107, 38).
    expectScore(entryOf(at({"d5", "e5"}), at({"c7", "e7"})), 2 * 172 + 107, 2 * 204 - 38);
    // d6 has one stopper (e7) and one helper behind (c5): rank-6 candidate (381, 284).
    // White: c5 (129, 194) + d6 (273, 308) + passer c5 (121, 239); c5 and d6 touch.
    // Black: e7 (90, 144), isolated (-80, -99).
    expectScore(entryOf(at({"c5", "d6"}), at({"e7"})), 904 - 10, 1025 - 45);
}

TEST(PawnStructure, PassedPawnsAndConnection) {
    const BauernEintrag_t e = entryOf(at({"d5", "e6", "a2"}), at({"h7"}));
    EXPECT_EQ(e.passed, at({"d5", "e6", "a2", "h7"}));
    EXPECT_EQ(e.passedFiles, Bitboard{0x19} | (Bitboard{0x80} << 56));
    // d5 and e6 touch diagonally: both get their rank's bonus.
    const BauernEintrag_t apart = entryOf(at({"d5", "e7", "a2"}), at({"h7"}));
    const Wert_t withBonus = e.score - PawnSquare[squareOf(4, 6)] - PassedPawnSquare[squareOf(4, 6)];
    const Wert_t without = apart.score - PawnSquare[squareOf(4, 7)] - PassedPawnSquare[squareOf(4, 7)];
    // With e7 instead, neither touches the other: no bonus, and both are disconnected.
    EXPECT_EQ(withBonus - without, ConnectedPasser[5] + ConnectedPasser[6] - 2 * DisconnectedPawn);
}

TEST(PawnStructure, CatchRegions) {
    // Five king steps from the promotion square for a pawn on rank 2 or 3.
    const Bitboard fiveSteps =
        ((FileA | fileMask(1) | fileMask(2) | fileMask(3) | fileMask(4) | fileMask(5)) &
         ~(rankMask(1) | rankMask(2)));
    EXPECT_EQ(entryOf(at({"a2"}), 0).catchRegion[White], fiveSteps);
    EXPECT_EQ(entryOf(at({"a3"}), 0).catchRegion[White] & ~at({"a3"}), fiveSteps & ~at({"a3"}));
    // A side without passers leaves the region open.
    EXPECT_EQ(entryOf(at({"a3"}), 0).catchRegion[Black], ~Bitboard{0});
    // Two passers: the intersection.
    const Bitboard four = entryOf(at({"h4"}), 0).catchRegion[White];
    EXPECT_EQ(four, (fileMask(3) | fileMask(4) | fileMask(5) | fileMask(6) | FileH) &
                        (rankMask(8) | rankMask(7) | rankMask(6) | rankMask(5) | rankMask(4)));
    EXPECT_EQ(entryOf(at({"a2", "h4"}), 0).catchRegion[White], fiveSteps & four);
}

TEST(PawnStructure, OutpostsSheltersAndFiles) {
    // d6 is frozen by e4/c4's control of d5; c7 can still come to attack b5 and d5.
    EXPECT_EQ(entryOf(at({"c4", "e4"}), at({"d6"})).outposts[White], at({"b5", "d5", "f5"}));
    EXPECT_EQ(entryOf(at({"c4", "e4"}), at({"c7"})).outposts[White], at({"f5"}));
    // Second-rank pawns shelter when they guard the squares ahead.
    EXPECT_EQ(entryOf(at({"f2", "g2", "h2"}), 0).defended[White], at({"f2", "g2", "h2"}));
    EXPECT_EQ(entryOf(at({"f2", "h2"}), 0).defended[White], 0u);
    EXPECT_EQ(entryOf(at({"f2", "g3"}), 0).defended[White], at({"f2", "g3"}));  // g3 guards f4
    EXPECT_EQ(entryOf(at({"f2", "h3"}), 0).defended[White], 0u);

    const BauernEintrag_t e = entryOf(at({"a2", "b2"}), at({"b7", "h7"}));
    EXPECT_EQ(
        std::vector<int>({e.openFiles, e.pawnFileCount, e.filesWithoutWhitePawns, e.filesWithoutBlackPawns}),
        std::vector<int>({0x7C, 3, 6, 6}));
}

TEST(PawnTable, HitsAndTheEmptyKey) {
    EvalBoard b("4k3/pp3ppp/8/8/8/8/PPP2PPP/4K3 w - - 0 1");
    const BauernEintrag_t& first = b.pawnEntry();
    EXPECT_EQ(&first, &b.pawnEntry());
    EXPECT_EQ(first.key, b.state.pawnKey);

    // Key 0 (no pawns) on a zero-filled table is computed, not read as an empty slot.
    EvalBoard none("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    ASSERT_EQ(none.state.pawnKey, 0u);
    const BauernEintrag_t& e = none.pawnEntry();
    EXPECT_EQ(std::make_tuple(+e.filesWithoutWhitePawns, +e.openFiles), std::make_tuple(8, 0xFF));
    EXPECT_EQ(std::make_tuple(e.catchRegion[White], e.catchRegion[Black]), std::make_tuple(~Bitboard{0}, ~Bitboard{0}));
}

}  // namespace
}  // namespace tolvaren::test
