#include "protocol/xboard_time_control.h"

#include <gtest/gtest.h>

namespace tolvaren {

namespace {

XboardTimeControl level(const char* args) {
    XboardTimeControl control;
    EXPECT_TRUE(parseLevel(args, control)) << args;
    return control;
}

}  // namespace

TEST(XboardTimeControl, LevelParsing) {
    const XboardTimeControl classic = level("40 5 0");
    EXPECT_EQ(classic.periods[0].moves, 40);
    EXPECT_EQ(classic.periods[0].base, 300000.0);
    EXPECT_FALSE(classic.periods[1].exists());

    EXPECT_EQ(level("0 0:30 0").periods[0].base, 30000.0);
    EXPECT_EQ(level("0 2 1.5").periods[0].increment, 1500.0);

    const XboardTimeControl three = level("40 1:30 0 20 1 5 0 0:45 2");
    EXPECT_EQ(three.periods[0].base, 90000.0);
    EXPECT_EQ(three.periods[1].moves, 20);
    EXPECT_EQ(three.periods[1].increment, 5000.0);
    EXPECT_EQ(three.periods[2].base, 45000.0);

    XboardTimeControl control;
    for (const char* bad : {"1 2", "", "40 5 0 20", "40 5 0 20 1", "x 5 0", "40 5:x 0", "99999999999 5 0"})
        EXPECT_FALSE(parseLevel(bad, control)) << bad;
}

TEST(XboardTimeControl, MovesToGoAndIncrementDueWalkThePeriods) {
    // One repeating period of 40 moves in 5 minutes.
    const XboardTimeControl classic = level("40 5 0");
    EXPECT_EQ(locatePeriod(classic, 0).movesToGo, 40);
    EXPECT_EQ(locatePeriod(classic, 39).movesToGo, 1);
    EXPECT_EQ(locatePeriod(classic, 40).movesToGo, 40);
    EXPECT_EQ(incrementDue(classic, 38), 0.0);
    EXPECT_EQ(incrementDue(classic, 39), 300000.0);  // the 40th move earns the next 5 minutes
    EXPECT_EQ(incrementDue(classic, 79), 300000.0);

    // 40 moves, then repeating blocks of 20 moves with 1 minute and 5 s per move.
    const XboardTimeControl two = level("40 0:30 0 20 1 5");
    EXPECT_EQ(incrementDue(two, 39), 60000.0);  // completes period 1: the next period's base
    EXPECT_EQ(locatePeriod(two, 40).period, 1);
    EXPECT_EQ(locatePeriod(two, 40).movesToGo, 20);
    EXPECT_EQ(incrementDue(two, 40), 5000.0);
    EXPECT_EQ(incrementDue(two, 59), 65000.0);  // a cycle of the last period: base plus increment
    EXPECT_EQ(locatePeriod(two, 60).movesToGo, 20);

    // Sudden death after two counted periods.
    const XboardTimeControl three = level("40 2 0 20 1 0 0 1 3");
    EXPECT_EQ(incrementDue(three, 59), 60000.0);
    EXPECT_EQ(locatePeriod(three, 60).period, 2);
    EXPECT_EQ(locatePeriod(three, 60).movesToGo, 0);
    EXPECT_EQ(incrementDue(three, 100), 3000.0);

    // Incremental: no move count at all.
    const XboardTimeControl fischer = level("0 2 12");
    EXPECT_EQ(locatePeriod(fischer, 30).movesToGo, 0);
    EXPECT_EQ(incrementDue(fischer, 30), 12000.0);
}

TEST(XboardTimeControl, ScoresInXboardUnits) {
    // Mate in one ply is 32766.
    const std::pair<int32_t, int32_t> cases[] = {{1000, 100},     {15, 2},         {-15, -2},
                                                 {2, 1},          {1, 0},          {-1, 0},
                                                 {450000, 45000}, {499999, 32766}, {-499998, -32765}};
    for (const auto& [score, expected] : cases) EXPECT_EQ(xboardScore(score), expected) << score;
}

}  // namespace tolvaren
