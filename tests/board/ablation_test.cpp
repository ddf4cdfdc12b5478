#include "board/ablation.h"

#include <gtest/gtest.h>

namespace tolvaren::ablation {
namespace {

TEST(Ablation, ListsNameSwitchesAndUnknownNamesAreReported) {
    std::string_view unknown;
    EXPECT_EQ(parseSwitches("nullmove,lmr", unknown), NullMove | LateMoveReductions);
    EXPECT_TRUE(unknown.empty());
    EXPECT_EQ(parseSwitches(",kingsafety,,", unknown), KingSafety);
    EXPECT_TRUE(unknown.empty());
    EXPECT_EQ(parseSwitches("", unknown), 0u);

    // A misspelt name must be caught: it would otherwise test the normal engine.
    parseSwitches("pawns,nullmov,lmr", unknown);
    EXPECT_EQ(unknown, "nullmov");
    // Names are matched exactly, as the README writes them.
    parseSwitches("NullMove", unknown);
    EXPECT_EQ(unknown, "NullMove");
}

}  // namespace
}  // namespace tolvaren::ablation
