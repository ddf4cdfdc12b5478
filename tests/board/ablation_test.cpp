#include "board/ablation.h"

#include <gtest/gtest.h>

namespace tolvaren::ablation {
namespace {

TEST(Ablation, ListsNameSwitchesAndUnknownNamesAreReported) {
    std::string_view unknown;
    EXPECT_EQ(parseSwitches(",nullmove,lmr,", unknown), NullMove | LateMoveReductions);
    EXPECT_TRUE(unknown.empty());
    // A misspelt name must be caught: it would otherwise test the normal engine.
    parseSwitches("pawns,nullmov,lmr", unknown);
    EXPECT_EQ(unknown, "nullmov");
}

}  // namespace
}  // namespace tolvaren::ablation
