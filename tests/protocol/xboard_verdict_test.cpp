// The engine's verdict in XBoard games: the scores that earn a draw offer or a
// resignation, and how often an unprompted offer may come.
#include "protocol/xboard_verdict.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "board/position.h"

namespace tolvaren {

namespace {

constexpr int ManyMoves = 20;

// Records the scores of engine moves with a choice, oldest first; true if any earned an offer.
bool record(XBoardVerdict_t& verdict, std::initializer_list<int32_t> scores) {
    bool offered = false;
    for (int32_t score : scores) offered |= verdict.offerDraw(White, ManyMoves, score, 0);
    return offered;
}

}  // namespace

TEST(XBoardVerdict, UnpromptedOffersNeedLevelScoresAndComeEveryTwentyOneMoves) {
    XBoardVerdict_t level;
    for (int move = 1; move <= 42; ++move)
        EXPECT_EQ(level.offerDraw(White, ManyMoves, 0, 2 * move), move == 21 || move == 42) << move;

    // Just outside the level band, no offer however long the game.
    for (int32_t score : {-2, 2}) {
        XBoardVerdict_t unlevel;
        for (int move = 1; move <= 42; ++move)
            EXPECT_FALSE(unlevel.offerDraw(White, ManyMoves, score, 2 * move));
    }

    // A forced move's score says nothing about the game and is not recorded.
    XBoardVerdict_t forced;
    for (int move = 1; move <= 21; ++move) {
        const bool choice = move % 2 == 0;
        EXPECT_EQ(forced.offerDraw(White, choice ? ManyMoves : 1, choice ? 0 : -9000, 2 * move), move == 21);
    }
}

TEST(XBoardVerdict, AnOpponentsOfferIsAnsweredAtOnceOnALowerBar) {
    XBoardVerdict_t verdict;
    EXPECT_FALSE(record(verdict, {-400000, -400000, -400000, -400000}));
    verdict.opponentOffers();
    EXPECT_TRUE(verdict.offerDraw(White, ManyMoves, -400000, 8));
    EXPECT_FALSE(verdict.offerDraw(White, ManyMoves, -400000, 10));  // the offer was answered

    // Lost beyond the bar, the offer is declined.
    XBoardVerdict_t lost;
    record(lost, {0, -500001, -500001, -500001});
    lost.opponentOffers();
    EXPECT_FALSE(lost.offerDraw(White, ManyMoves, -500001, 8));

    // Scores taken with the other colour do not count.
    XBoardVerdict_t switched;
    record(switched, {0, 0, 0, 0});
    switched.opponentOffers();
    EXPECT_FALSE(switched.offerDraw(Black, ManyMoves, 0, 9));
    switched.reset();
    record(switched, {0, 0, 0});
    switched.opponentOffers();
    EXPECT_FALSE(switched.offerDraw(White, 1, 0, 9));  // three scores, the fourth move forced
}

TEST(XBoardVerdict, ResignsOnFourLostScoresThatDoNotRecover) {
    const auto resigns = [](std::initializer_list<int32_t> scores, int64_t setting) {
        XBoardVerdict_t verdict;
        record(verdict, scores);
        return verdict.resign(setting);
    };
    // "Resign" 700 sets the bar at -7000; every one of the four scores must reach it.
    EXPECT_TRUE(resigns({-7000, -7000, -7000, -7000}, 700));
    EXPECT_FALSE(resigns({-6999, -8000, -8000, -8000}, 700));
    EXPECT_FALSE(resigns({-8000, -8000, -8000, -6999}, 700));
    EXPECT_FALSE(resigns({-8000, -8000, -8000}, 700));
    // A last score better than the one before is a game still fought.
    EXPECT_FALSE(resigns({-8000, -8000, -9000, -8500}, 700));
    EXPECT_TRUE(resigns({-8000, -8000, -8500, -9000}, 700));
    // However large the setting, the bar stays at the floor.
    EXPECT_TRUE(resigns({-20000, -20000, -20000, -20000}, XBoardVerdict_t::ResignAbsent));
    EXPECT_FALSE(resigns({-19999, -20000, -20000, -20000}, XBoardVerdict_t::ResignAbsent));
}

}  // namespace tolvaren
