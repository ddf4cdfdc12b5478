// Match figures checked against hand computation, and the match manager's closing block.
#include "tools/match_stats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace tolvaren {

TEST(MatchStats, FiguresOfSingleGames) {
    // 60-30-10: score (60 + 10/2) / 100 = 0.65; Elo = -400 log10(1/0.65 - 1)
    // = -400 log10(0.53846) = 107.54. Variance per game = 0.6 * 0.35^2 + 0.3 * 0.65^2
    // + 0.1 * 0.15^2 = 0.2025, so the score's 95 % half width is 1.96 * sqrt(0.2025 / 100)
    // = 0.0882; Elo(0.7382) = 180.07 and Elo(0.5618) = 43.16 give +/- 68.46.
    MatchCounts c;
    c.wins = 60, c.losses = 30, c.draws = 10;
    const MatchFigures f = matchFigures(c);
    EXPECT_DOUBLE_EQ(f.score, 0.65);
    EXPECT_NEAR(f.elo, 107.54, 0.01);
    EXPECT_NEAR(f.eloError, 68.46, 0.01);
    EXPECT_DOUBLE_EQ(f.drawRatio, 0.1);

    // llr = 100 (s1 - 0.5)(2 * 0.65 - 0.5 - s1) / (2 * 0.2025) with s1 = 1 / (1 + 10^(-10/400))
    // = 0.514387: 100 * 0.014387 * 0.285613 / 0.405 = 1.0146. Bounds for 5 %/5 %: +-log(19).
    const SprtBounds b;
    EXPECT_NEAR(sprtLlr(c, b), 1.0146, 0.0001);
    EXPECT_NEAR(b.upper(), std::log(19.0), 1e-12);
    EXPECT_NEAR(b.lower(), -std::log(19.0), 1e-12);
    EXPECT_EQ(sprtVerdict(1.0146, b), SprtVerdict::Continue);
    EXPECT_EQ(sprtVerdict(3.0, b), SprtVerdict::H1);
    EXPECT_EQ(sprtVerdict(-3.0, b), SprtVerdict::H0);
}

TEST(MatchStats, PairsDecideTheIntervalAndTheLlr) {
    // 50 pairs scoring 0..4 half points: 2, 5, 20, 15, 8 (122 half points = 61 of 100).
    // Pair mean 0.61, variance (5/16 + 20/4 + 15 * 9/16 + 8) / 50 - 0.61^2 = 0.0629.
    MatchCounts c;
    c.wins = 50, c.losses = 28, c.draws = 22;
    c.pairs = {2, 5, 20, 15, 8};
    const MatchFigures f = matchFigures(c);
    EXPECT_DOUBLE_EQ(f.score, 0.61);
    EXPECT_NEAR(f.eloError, 51.18, 0.01);
    // 50 * 0.014387 * (1.22 - 1.014387) / (2 * 0.0629) = 1.1758
    EXPECT_NEAR(sprtLlr(c, SprtBounds{}), 1.1758, 0.0001);
}

TEST(MatchStats, ReadsTheClosingBlockOfARecordedRun) {
    const char* recorded =
        "Game 99 (tolvaren vs toga2): 1/2-1/2 {Draw by repetition}\n"
        "Score of tolvaren vs toga2: 3 - 1 - 2  [0.625] 6\n"  // a running score, not the last block
        "Game 100 (toga2 vs tolvaren): 0-1 {White loses on time}\n"
        "Score of tolvaren vs toga2: 60 - 30 - 10  [0.650] 100\n"
        "Elo difference: +107.5 +/- 68.5, draws 10.0 %\n"
        "SPRT: llr 1.01 (-2.94, 2.94) elo0=0 elo1=10: continue\n"
        "Faults tolvaren: illegal 0, crash 1, time 0\n"
        "Faults toga2: illegal 2, crash 0, time 3\n"
        "Clock left after move 40 (median s): tolvaren 7.31, toga2 -\n";
    const auto m = parseMatchSummary(recorded);
    ASSERT_TRUE(m);
    // Numbers are read as printed, so they compare exactly with the same literals.
    EXPECT_EQ(std::tie(m->nameA, m->nameB, m->counts.wins, m->counts.losses, m->counts.draws),
              std::make_tuple("tolvaren", "toga2", 60, 30, 10));
    EXPECT_EQ(std::tie(m->figures.elo, m->figures.eloError, m->figures.drawRatio, m->clockA, m->clockB),
              std::make_tuple(107.5, 68.5, 0.1, 7.31, -1.0));
    EXPECT_EQ(std::tie(m->sprt, m->llr, m->verdict), std::make_tuple(true, 1.01, SprtVerdict::Continue));
    EXPECT_EQ(std::tie(m->faultsA.crash, m->faultsB.illegal, m->faultsB.time), std::make_tuple(1, 2, 3));

    // A cut-off block is no summary. What the manager writes is read back by the match process test.
    const std::string cut = recorded;
    EXPECT_FALSE(parseMatchSummary(cut.substr(0, cut.find("Faults"))));
}

}  // namespace tolvaren
