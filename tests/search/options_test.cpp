#include "search/options.h"

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

TEST(Options, EmptyTableAndBadIndexesAreHarmless) {
    Optionen_t none(emptyOptionTable);
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.number(OptionHash), 0);
    EXPECT_EQ(none.text(OptionBookFile), "");
    none.setNumber(OptionHash, 5);
    EXPECT_FALSE(none.takeButton(OptionClearHash));

    Optionen_t o(engineOptionTable);
    EXPECT_EQ(o.number(-1), 0);
    EXPECT_EQ(o.number(15), 0);
}

TEST(Options, WritesThroughTheStoreInterface) {
    Optionen_t o(engineOptionTable);
    o.setNumber(OptionProcessors, 9);
    EXPECT_EQ(o.number(OptionProcessors), 4);
    EXPECT_EQ(o.text(OptionProcessors), "4");
    o.setText(OptionBookFile, std::string(300, 'b').c_str(), 7);
    EXPECT_EQ(o.text(OptionBookFile), std::string(256, 'b'));
    EXPECT_EQ(o.number(OptionBookFile), 7);
    o.pressButton(OptionClearHash);
    EXPECT_TRUE(o.takeButton(OptionClearHash));
    EXPECT_FALSE(o.takeButton(OptionClearHash));
}

}  // namespace tolvaren
