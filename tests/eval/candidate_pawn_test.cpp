// Candidate pawns: a pawn that is not passed earns the bonus only when the own pawns
// beside or behind it on the neighbouring files are at least as many as the enemy
// pawns ahead of it on those files. Whole entries are derived term by term.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>

#include "eval/pawn_structure.h"
#include "eval/score.h"
#include "eval/square_sets.h"
#include "eval_test_support.h"

namespace tolvaren::testing {
namespace {

Wert_t scoreOf(Bitboard white, Bitboard black) {
    BauernEintrag_t e{};
    computePawnEntry(white, black, 1, e);
    // The same structure with the colours exchanged must score the negation.
    BauernEintrag_t flipped{};
    computePawnEntry(flipVertical(black), flipVertical(white), 2, flipped);
    EXPECT_EQ(mgOf(flipped.score), -mgOf(e.score));
    EXPECT_EQ(egOf(flipped.score), -egOf(e.score));
    return e.score;
}

TEST(CandidatePawn, OutnumberedByStoppersEarnsNothing) {
    // White d5 e5, Black c7 e7. d5 faces two stoppers (c7, e7) with one helper (e5):
    // no bonus. e5 has e7 on its file and is not examined.
    // White: squares d5 e5 (172, 204) x 2 = (344, 408); no other term.
    // Black: squares c7 (47, 134) + e7 (90, 144); both files isolated 2 x (-80, -99);
    // c6 and e6 are hit by d5 with no friend beside: both backward, 2 x (-42, -21).
    // Black sum (-107, 38); total (344 + 107, 408 - 38).
    const Wert_t s = scoreOf(at({"d5", "e5"}), at({"c7", "e7"}));
    EXPECT_EQ(mgOf(s), 451);
    EXPECT_EQ(egOf(s), 370);
}

TEST(CandidatePawn, SupportedFromBehindAsOftenAsStoppedEarnsTheBonus) {
    // White c5 d6, Black e7. d6 has one stopper (e7) and one helper behind it (c5):
    // rank-6 candidate (381, 284). c5 is passed, so it is not examined.
    // White: squares c5 (129, 194) + d6 (273, 308); passer c5 (121, 239) without
    // connection (d6 is not passed); c5 and d6 touch, so neither is disconnected.
    // White sum (904, 1025). Black: e7 (90, 144), isolated (-80, -99): (10, 45).
    const Wert_t s = scoreOf(at({"c5", "d6"}), at({"e7"}));
    EXPECT_EQ(mgOf(s), 894);
    EXPECT_EQ(egOf(s), 980);
}

}  // namespace
}  // namespace tolvaren::testing
