#include "protocol/options.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaren {

TEST(Options, EngineTableStartsFromTheDefaults) {
    Optionen_t o(engineOptionTable);
    ASSERT_EQ(o.count(), 15);
    EXPECT_EQ(o.number(OptionHash), 3);
    EXPECT_TRUE(o.flag(OptionPonder));
    EXPECT_FALSE(o.flag(OptionClearHash));
    EXPECT_EQ(o.text(OptionClearHash), "false");
    EXPECT_FALSE(o.flag(OptionChess960));
    EXPECT_EQ(o.text(OptionBookFile), "Tolvaren.opn");
    EXPECT_EQ(o.number(OptionBookFile), 0);
    EXPECT_EQ(o.text(OptionOpponent), "none none human none");
    EXPECT_EQ(o.text(OptionBitbasePath), ".");
    EXPECT_EQ(o.number(OptionResign), 700);
    EXPECT_EQ(o.indexOf("Resign"), OptionResign);
    EXPECT_EQ(o.indexOf("NoOutput"), OptionNoOutput);
    EXPECT_EQ(o.indexOf("hash"), -1);
}

TEST(Options, SpinValuesAreClampedAndTheirTextFollows) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(o.applySetoption("name Hash value 5000"));
    EXPECT_EQ(o.number(OptionHash), 1000);
    EXPECT_EQ(o.text(OptionHash), "1000");
    EXPECT_TRUE(o.applySetoption("name Hash value 0"));
    EXPECT_EQ(o.number(OptionHash), 1);
    EXPECT_EQ(o.text(OptionHash), "1");
    EXPECT_TRUE(o.applySetoption("name Hash value -7"));
    EXPECT_EQ(o.number(OptionHash), 1);
    // Text that is no number reads as 0 and is clamped like any other value.
    EXPECT_TRUE(o.applySetoption("name Hash value lots"));
    EXPECT_EQ(o.number(OptionHash), 1);
    EXPECT_TRUE(o.applySetoption("  name   Hash   value   64"));
    EXPECT_EQ(o.number(OptionHash), 64);
    // Ten thousand digits saturate instead of overflowing.
    EXPECT_TRUE(o.applySetoption(("name Resign value " + std::string(10000, '9')).c_str()));
    EXPECT_EQ(o.number(OptionResign), 2000);
    EXPECT_TRUE(o.applySetoption(("name Resign value -" + std::string(10000, '9')).c_str()));
    EXPECT_EQ(o.number(OptionResign), 400);

    o.setNumber(OptionProcessors, 9);
    EXPECT_EQ(o.number(OptionProcessors), 4);
    EXPECT_EQ(o.text(OptionProcessors), "4");
}

TEST(Options, LongestWholeNameWinsAndCaseMatters) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(o.applySetoption("name MultiPV_Score value 30"));
    EXPECT_EQ(o.number(OptionMultiPvScore), 30);
    EXPECT_EQ(o.number(OptionMultiPv), 1);
    EXPECT_TRUE(o.applySetoption("name MultiPV value 3"));
    EXPECT_EQ(o.number(OptionMultiPv), 3);

    EXPECT_FALSE(o.applySetoption("name hash value 64"));
    EXPECT_FALSE(o.applySetoption("name HASH value 64"));
    EXPECT_FALSE(o.applySetoption("name Hashes value 64"));
    EXPECT_FALSE(o.applySetoption("name Unknown value 1"));
    EXPECT_EQ(o.number(OptionHash), 3);
}

TEST(Options, MalformedLinesChangeNothing) {
    Optionen_t o(engineOptionTable);
    EXPECT_FALSE(o.applySetoption(""));
    EXPECT_FALSE(o.applySetoption("name"));
    EXPECT_FALSE(o.applySetoption("Hash value 5"));
    EXPECT_FALSE(o.applySetoption("name Hash"));
    EXPECT_FALSE(o.applySetoption("name Hash value"));
    EXPECT_FALSE(o.applySetoption("name Hash 5"));
    EXPECT_FALSE(o.applySetoption("name Ponder value maybe"));
    EXPECT_EQ(o.number(OptionHash), 3);
    EXPECT_TRUE(o.flag(OptionPonder));
    EXPECT_EQ(o.text(OptionPonder), "true");
}

TEST(Options, ChecksTakeTrueOrFalse) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(o.applySetoption("name UCI_Chess960 value true"));
    EXPECT_TRUE(o.flag(OptionChess960));
    EXPECT_EQ(o.text(OptionChess960), "true");
    EXPECT_TRUE(o.applySetoption("name Ponder value false"));
    EXPECT_FALSE(o.flag(OptionPonder));
    EXPECT_EQ(o.text(OptionPonder), "false");
    o.setFlag(OptionPonder, true);
    EXPECT_EQ(o.text(OptionPonder), "true");
    EXPECT_TRUE(o.flag("Ponder", false));
    EXPECT_TRUE(o.flag("NoSuchOption", true));
    EXPECT_EQ(o.number("NoSuchOption", -5), -5);
    EXPECT_FALSE(o.text("NoSuchOption").has_value());
}

TEST(Options, ButtonIsPressedByNameAloneAndTakenOnce) {
    Optionen_t o(engineOptionTable);
    EXPECT_FALSE(o.takeButton(OptionClearHash));
    EXPECT_TRUE(o.applySetoption("name Clear Hash"));
    EXPECT_EQ(o.text(OptionClearHash), "true");
    EXPECT_TRUE(o.takeButton(OptionClearHash));
    EXPECT_FALSE(o.takeButton(OptionClearHash));
    EXPECT_EQ(o.text(OptionClearHash), "false");
    EXPECT_TRUE(o.applySetoption("name Clear Hash value whatever"));
    EXPECT_TRUE(o.flag(OptionClearHash));
}

TEST(Options, StringsKeepBlanksAndAreCutAt256) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(o.applySetoption("name UCI_Opponent value GM 2700 computer Some Engine"));
    EXPECT_EQ(o.text(OptionOpponent), "GM 2700 computer Some Engine");
    EXPECT_TRUE(o.applySetoption("name BitbasePath value 12/bases"));
    EXPECT_EQ(o.number(OptionBitbasePath), 12);
    EXPECT_EQ(o.text("BitbasePath"), "12/bases");

    const std::string longName(10000, 'x');
    EXPECT_TRUE(o.applySetoption(("name BookFile value " + longName).c_str()));
    EXPECT_EQ(o.text(OptionBookFile), std::string(256, 'x'));
}

TEST(Options, EmptyTableAndBadIndexesAreHarmless) {
    Optionen_t none(emptyOptionTable);
    EXPECT_EQ(none.count(), 0);
    EXPECT_FALSE(none.applySetoption("name Hash value 5"));
    EXPECT_EQ(none.number(OptionHash), 0);
    EXPECT_EQ(none.text(OptionBookFile), "");
    none.setNumber(OptionHash, 5);
    EXPECT_FALSE(none.takeButton(OptionClearHash));

    Optionen_t o(engineOptionTable);
    EXPECT_EQ(o.number(-1), 0);
    EXPECT_EQ(o.number(15), 0);
}

}  // namespace tolvaren
