#include "eval/material.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>
#include <tuple>

#include "eval/score.h"
#include "eval_test_support.h"

namespace tolvaren::test {
namespace {

MaterialCounts counts(std::initializer_list<int> white, std::initializer_list<int> black) {
    MaterialCounts c{};
    int t = Pawn;
    for (int n : white) c.count[White][t++] = n;
    t = Pawn;
    for (int n : black) c.count[Black][t++] = n;
    return c;
}

// Counts are pawns, knights, bishops, rooks, queens.
TEST(MaterialEntry, SumsPhaseAndScore) {
    MaterialEintrag_t e{};
    computeMaterialEntry(counts({8, 2, 2, 2, 1}, {8, 2, 2, 2, 1}), 1, e);
    EXPECT_EQ(std::vector<int>({e.whiteSum, e.blackSum, e.mgWeight, e.egWeight, e.materialScore}),
              std::vector<int>({37696, 37696, 256, 0, 0}));
    EXPECT_EQ(e.patternScore, 0);  // the bishop pairs cancel

    // Below 25000 the weights are 0/256; at 42016 and above 256/0.
    computeMaterialEntry(counts({4, 1, 1, 1, 0}, {4, 1, 1, 1, 0}), 4, e);
    EXPECT_EQ(e.whiteSum + e.blackSum, 2 * (3482 + 2975 + 3129 + 4820));
    EXPECT_EQ(e.mgWeight, 57);  // 986 * (28812 - 25000) / 65536
    EXPECT_EQ(e.egWeight, 199);

    // The correction K: rook against bishop and pawn, little material left.
    computeMaterialEntry(counts({0, 0, 0, 1, 0}, {1, 0, 1, 0, 0}), 6, e);
    // d = 4820 - 4212 = 608, m = 9032: 608 + (275 * 608 + 1339 * 1083) * 15968 / 2^28 = 608 + 96.
    EXPECT_EQ(e.materialScore, 704);

    // Equal sums score zero whatever the pawns: pawn, knight and queen against three
    // pawns, two bishops and a rook, 13850 each.
    computeMaterialEntry(counts({1, 1, 0, 0, 1}, {3, 0, 2, 1, 0}), 7, e);
    EXPECT_EQ(e.whiteSum, e.blackSum);
    EXPECT_EQ(e.materialScore, 0);
}

// Each record: pair flag, then pawns, knights, bishops, rooks, queens.
TEST(MaterialSignature, Grammar) {
    auto counts = [](const char* text) {
        const MaterialSignatur_t s = parseSignature(text);
        return std::vector<int>(&s.count[0][0], &s.count[0][0] + 12);
    };
    EXPECT_EQ(counts("2SSx-Bbq"), (std::vector<int>{1, 0, 2, 0, 0, 0, 0, 1, 0, 1, 0, 1}));
    // A second "-" switches back.
    EXPECT_EQ(counts("L-T-S"), (std::vector<int>{0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(counts(""), std::vector<int>(12, 0));
}

TEST(MaterialPatterns, FitsAndRunningExcess) {
    // Bishop against knight and pawn (the other way round is the symmetry test's).
    EXPECT_EQ(materialPatternScore(counts({4, 1, 1, 1, 0}, {5, 2, 0, 1, 0})), makeScore(262, 117));
    // Two knights against a rook.
    EXPECT_EQ(materialPatternScore(counts({5, 2, 0, 0, 1}, {5, 0, 0, 1, 1})), makeScore(286, 68));
    // Two bishops more against two knights and two pawns more: "L-BS" twice.
    EXPECT_EQ(materialPatternScore(counts({3, 0, 2, 0, 0}, {5, 2, 0, 0, 0})), 2 * makeScore(262, 117));
    // Two knights more against rook, bishop and pawn more: "S-BT" once uses up one
    // knight, so "SS-T" and "SS-BL" find too little left.
    EXPECT_EQ(materialPatternScore(counts({4, 2, 0, 0, 0}, {5, 0, 1, 1, 0})), makeScore(475, -133));
    // Equal material: nothing fits.
    EXPECT_EQ(materialPatternScore(counts({8, 2, 2, 2, 1}, {8, 2, 2, 2, 1})), 0);
}

TEST(MaterialEntry, BishopPairCountsBishopsOnly) {
    EvalBoard sameColour("4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1");  // c1 and f1 are opposite colours
    EXPECT_EQ(sameColour.materialEntry().patternScore, makeScore(0, 130));
    EvalBoard light("4k3/8/8/8/8/8/1B6/B3K3 w - - 0 1");  // a1 and b2: both dark
    EXPECT_EQ(light.materialEntry().patternScore, makeScore(0, 130));
}

TEST(MaterialTable, HitsAndTheEmptyKey) {
    EvalBoard b("r1bqkb1r/pppp1ppp/2n2n2/4p3/4P3/2N2N2/PPPP1PPP/R1BQKB1R w KQkq - 0 1");
    const MaterialEintrag_t& first = b.materialEntry();
    EXPECT_EQ(&first, &b.materialEntry());
    EXPECT_EQ(first.key, b.state.materialKey);

    // Bare kings (key 0) are computed, not taken from an empty slot.
    EvalBoard kings("8/8/4k3/8/8/3K4/8/8 w - - 0 1");
    ASSERT_EQ(kings.state.materialKey, 0u);
    const MaterialEintrag_t& e = kings.materialEntry();
    EXPECT_EQ(std::make_tuple(+e.mgWeight, +e.egWeight, e.whiteSum + e.blackSum), std::make_tuple(0, 256, 0));
}

}  // namespace
}  // namespace tolvaren::test
