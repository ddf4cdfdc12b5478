#include "protocol/setoption.h"

#include <gtest/gtest.h>

#include <string>

#include "search/options.h"

namespace tolvaren {

TEST(Setoption, SpinValuesAreClampedAndTheirTextFollows) {
    Optionen_t o(engineOptionTable);
    // Text that is no number reads as 0; ten thousand digits saturate instead of overflowing.
    const std::string nines(10000, '9');
    const struct {
        std::string line;
        int index, value;
    } cases[] = {
        {"name Hash value 5000", OptionHash, 1000},
        {"name Hash value 0", OptionHash, 1},
        {"name Hash value -7", OptionHash, 1},
        {"name Hash value lots", OptionHash, 1},
        {"  name   Hash   value   64", OptionHash, 64},
        {"name Resign value " + nines, OptionResign, 2000},
        {"name Resign value -" + nines, OptionResign, 400},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(applySetoption(o, c.line.c_str())) << c.line;
        EXPECT_EQ(o.number(c.index), c.value) << c.line;
        EXPECT_EQ(o.text(c.index), std::to_string(c.value)) << c.line;
    }
}

TEST(Setoption, LongestWholeNameWinsCaseMattersAndMalformedLinesChangeNothing) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(applySetoption(o, "name MultiPV_Score value 30"));
    EXPECT_EQ(o.number(OptionMultiPvScore), 30);
    EXPECT_EQ(o.number(OptionMultiPv), 1);
    EXPECT_TRUE(applySetoption(o, "name MultiPV value 3"));
    EXPECT_EQ(o.number(OptionMultiPv), 3);

    for (const char* bad :
         {"name hash value 64", "name HASH value 64", "name Hashes value 64", "name Unknown value 1", "",
          "name", "Hash value 5", "name Hash", "name Hash value", "name Hash 5", "name Ponder value maybe"})
        EXPECT_FALSE(applySetoption(o, bad)) << bad;
    EXPECT_EQ(o.number(OptionHash), 3);
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
    EXPECT_TRUE(applySetoption(o, ("name BookFile value " + std::string(10000, 'x')).c_str()));
    EXPECT_EQ(o.text(OptionBookFile), std::string(256, 'x'));
}

}  // namespace tolvaren
