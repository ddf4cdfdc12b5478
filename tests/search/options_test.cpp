#include "search/options.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace tolvaren
