#include "eval/evaluate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "eval/explain.h"
#include "eval/score.h"
#include "eval_test_support.h"

namespace tolvaren::test {
namespace {

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

TEST(Evaluate, Quantisation) {
    const int in[] = {0, 1, -1, 2, -2, 15, 16, -16, 31, 32, -100};
    const int out[] = {0, 1, -1, 8, -8, 8, 24, -24, 24, 40, -104};
    for (size_t i = 0; i < std::size(in); ++i) EXPECT_EQ(quantise(in[i]), out[i]) << in[i];
}

TEST(Evaluate, PhaseGating) {
    EvalBoard rookEnding("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    const EvalTrace t = rookEnding.trace();  // no midgame weight: the material tests
    EXPECT_FALSE(t.kingSafetyDone);
    EXPECT_TRUE(t.endgameKingDone);
    EXPECT_EQ(t.kingSafety, 0);
}

int scaled(const std::string& fen, int v) {
    EvalBoard b(fen);
    return scaleScore(b.pos, v, b.pawnEntry());
}

// Small negative scores and colour-flipped positions are left to the symmetry test.
TEST(ScaleScore, OppositeBishops) {
    const std::string bishops = "4k3/8/8/4b3/8/8/8/4KB2 w - - 0 1";  // f1 light, e5 dark
    EXPECT_EQ(scaled(bishops, 500), 282);
    EXPECT_EQ(scaled(bishops, 5000), 5000 - 2000 * 112 / 256);    // 1250 + 750, not above 2000
    EXPECT_EQ(scaled(bishops, 10000), 10000 - 2625 * 112 / 256);  // 3250 halved + 1000
    // Same-coloured bishops are not scaled.
    EXPECT_EQ(scaled("4k3/8/8/3b4/8/8/8/4KB2 w - - 0 1", 500), 500);
    // Two White passers close together (c = 17) or spread out (c = 13).
    EXPECT_EQ(scaled("4k3/8/8/PP2b3/8/8/8/4KB2 w - - 0 1", 500), 500 - 500 * 95 / 256);
    EXPECT_EQ(scaled("4k3/8/8/P3b2P/8/8/8/4KB2 w - - 0 1", 500), 500 - 500 * 99 / 256);
    // With one rook each: factor 16.
    EXPECT_EQ(scaled("r3k3/8/8/4b3/8/8/8/R3KB2 w - - 0 1", 500), 500 - 500 * 16 / 256);
    // Any other piece: not scaled here.
    EXPECT_EQ(scaled("r3k3/8/8/4b3/8/8/8/RN2KB2 w - - 0 1", 500), 500);
}

TEST(ScaleScore, SideWithoutPawns) {
    const std::string blackPawnless = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";
    EXPECT_EQ(scaled(blackPawnless, -300), 1);
    EXPECT_EQ(scaled(blackPawnless, -1000), -386);
    EXPECT_EQ(scaled(blackPawnless, 300), 300);
}

TEST(Evaluate, DrawLeaningResultsSurviveQuantisation) {
    // Black, without pawns, has knight and bishop against rook and pawn: the scaling
    // turns it into White +1, which Black to move sees as -1, untouched by quantising.
    EvalBoard b("4k3/8/8/8/3nb3/8/4P3/R3K3 b - - 0 1");
    const EvalTrace t = b.trace();
    ASSERT_LE(t.blended, 0);
    ASSERT_GT(t.blended, -614);
    EXPECT_EQ(t.scaled, 1);
    EXPECT_EQ(t.final, -1);
}

TEST(EvalReport, LinesAndFinalScore) {
    EvalBoard b(StartFen);
    std::vector<std::string> lines;
    explainEvaluation(b.pos, b.state, *b.material, *b.pawns,
                      [&](std::string_view l) { lines.emplace_back(l); });
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "final " + std::to_string(b.evaluate()));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "tempo mg 68 eg 35"), lines.end());
}

}  // namespace
}  // namespace tolvaren::test
