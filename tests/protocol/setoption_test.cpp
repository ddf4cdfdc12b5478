#include "protocol/setoption.h"

#include <gtest/gtest.h>

#include <string>

#include "search/options.h"

namespace tolvaren {

TEST(Setoption, SpinValuesAreClampedAndTheirTextFollows) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(applySetoption(o, "name Hash value 5000"));
    EXPECT_EQ(o.number(OptionHash), 1000);
    EXPECT_EQ(o.text(OptionHash), "1000");
    EXPECT_TRUE(applySetoption(o, "name Hash value 0"));
    EXPECT_EQ(o.number(OptionHash), 1);
    EXPECT_EQ(o.text(OptionHash), "1");
    EXPECT_TRUE(applySetoption(o, "name Hash value -7"));
    EXPECT_EQ(o.number(OptionHash), 1);
    // Text that is no number reads as 0 and is clamped like any other value.
    EXPECT_TRUE(applySetoption(o, "name Hash value lots"));
    EXPECT_EQ(o.number(OptionHash), 1);
    EXPECT_TRUE(applySetoption(o, "  name   Hash   value   64"));
    EXPECT_EQ(o.number(OptionHash), 64);
    // Ten thousand digits saturate instead of overflowing.
    EXPECT_TRUE(applySetoption(o, ("name Resign value " + std::string(10000, '9')).c_str()));
    EXPECT_EQ(o.number(OptionResign), 2000);
    EXPECT_TRUE(applySetoption(o, ("name Resign value -" + std::string(10000, '9')).c_str()));
    EXPECT_EQ(o.number(OptionResign), 400);
}

TEST(Setoption, LongestWholeNameWinsAndCaseMatters) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(applySetoption(o, "name MultiPV_Score value 30"));
    EXPECT_EQ(o.number(OptionMultiPvScore), 30);
    EXPECT_EQ(o.number(OptionMultiPv), 1);
    EXPECT_TRUE(applySetoption(o, "name MultiPV value 3"));
    EXPECT_EQ(o.number(OptionMultiPv), 3);

    EXPECT_FALSE(applySetoption(o, "name hash value 64"));
    EXPECT_FALSE(applySetoption(o, "name HASH value 64"));
    EXPECT_FALSE(applySetoption(o, "name Hashes value 64"));
    EXPECT_FALSE(applySetoption(o, "name Unknown value 1"));
    EXPECT_EQ(o.number(OptionHash), 3);
}

TEST(Setoption, MalformedLinesChangeNothing) {
    Optionen_t o(engineOptionTable);
    EXPECT_FALSE(applySetoption(o, ""));
    EXPECT_FALSE(applySetoption(o, "name"));
    EXPECT_FALSE(applySetoption(o, "Hash value 5"));
    EXPECT_FALSE(applySetoption(o, "name Hash"));
    EXPECT_FALSE(applySetoption(o, "name Hash value"));
    EXPECT_FALSE(applySetoption(o, "name Hash 5"));
    EXPECT_FALSE(applySetoption(o, "name Ponder value maybe"));
    EXPECT_EQ(o.number(OptionHash), 3);
    EXPECT_TRUE(o.flag(OptionPonder));
    EXPECT_EQ(o.text(OptionPonder), "true");
}

TEST(Setoption, ChecksTakeTrueOrFalse) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(applySetoption(o, "name UCI_Chess960 value true"));
    EXPECT_TRUE(o.flag(OptionChess960));
    EXPECT_EQ(o.text(OptionChess960), "true");
    EXPECT_TRUE(applySetoption(o, "name Ponder value false"));
    EXPECT_FALSE(o.flag(OptionPonder));
    EXPECT_EQ(o.text(OptionPonder), "false");
    o.setFlag(OptionPonder, true);
    EXPECT_EQ(o.text(OptionPonder), "true");
    EXPECT_TRUE(o.flag("Ponder", false));
    EXPECT_TRUE(o.flag("NoSuchOption", true));
    EXPECT_EQ(o.number("NoSuchOption", -5), -5);
    EXPECT_FALSE(o.text("NoSuchOption").has_value());
}

TEST(Setoption, ButtonIsPressedByNameAloneAndTakenOnce) {
    Optionen_t o(engineOptionTable);
    EXPECT_FALSE(o.takeButton(OptionClearHash));
    EXPECT_TRUE(applySetoption(o, "name Clear Hash"));
    EXPECT_EQ(o.text(OptionClearHash), "true");
    EXPECT_TRUE(o.takeButton(OptionClearHash));
    EXPECT_FALSE(o.takeButton(OptionClearHash));
    EXPECT_EQ(o.text(OptionClearHash), "false");
    EXPECT_TRUE(applySetoption(o, "name Clear Hash value whatever"));
    EXPECT_TRUE(o.flag(OptionClearHash));
}

TEST(Setoption, StringsKeepBlanksAndAreCutAt256) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(applySetoption(o, "name UCI_Opponent value GM 2700 computer Some Engine"));
    EXPECT_EQ(o.text(OptionOpponent), "GM 2700 computer Some Engine");
    EXPECT_TRUE(applySetoption(o, "name BitbasePath value 12/bases"));
    EXPECT_EQ(o.number(OptionBitbasePath), 12);
    EXPECT_EQ(o.text("BitbasePath"), "12/bases");

    const std::string longName(10000, 'x');
    EXPECT_TRUE(applySetoption(o, ("name BookFile value " + longName).c_str()));
    EXPECT_EQ(o.text(OptionBookFile), std::string(256, 'x'));
}

}  // namespace tolvaren
