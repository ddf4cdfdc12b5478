// The option store and the "setoption" lines that write to it.
#include "protocol/setoption.h"

#include <gtest/gtest.h>

#include <string>

#include "search/options.h"

namespace tolvaren {

// The defaults the "uci" answer shows are checked by the protocol's process test; these are the
// hidden ones and the lookups around them.
TEST(Options, HiddenDefaultsLookupsAndHarmlessBadIndexes) {
    Optionen_t o(engineOptionTable);
    ASSERT_EQ(o.count(), 15);
    EXPECT_EQ(o.text(OptionBitbasePath), ".");
    EXPECT_EQ(o.number(OptionResign), 700);
    EXPECT_EQ(o.indexOf("NoOutput"), OptionNoOutput);
    EXPECT_EQ(o.indexOf("hash"), -1);
    EXPECT_EQ(o.number(-1), 0);
    EXPECT_EQ(o.number(15), 0);

    Optionen_t none(emptyOptionTable);
    EXPECT_EQ(none.count(), 0);
    none.setNumber(OptionHash, 5);
    EXPECT_EQ(none.number(OptionHash), 0);
    EXPECT_EQ(none.text(OptionBookFile), "");
    EXPECT_FALSE(none.takeButton(OptionClearHash));
}

TEST(Options, WritesThroughTheStoreInterfaceAreLimited) {
    Optionen_t o(engineOptionTable);
    o.setNumber(OptionProcessors, 9);
    EXPECT_EQ(o.number(OptionProcessors), 4);
    EXPECT_EQ(o.text(OptionProcessors), "4");
    o.setText(OptionBookFile, std::string(300, 'b').c_str(), 7);
    EXPECT_EQ(o.text(OptionBookFile), std::string(256, 'b'));
    EXPECT_EQ(o.number(OptionBookFile), 7);
    o.pressButton(OptionClearHash);
    EXPECT_TRUE(o.takeButton(OptionClearHash));
}

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
