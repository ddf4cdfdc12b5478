#include "protocol/text_scan.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaren {

TEST(TextScan, TrimRemovesEveryKindOfTrailingWhitespace) {
    char line[] = "go depth 5 \t\r\n\v\f ";
    EXPECT_EQ(trimTrailingSpace(line), 10u);
    EXPECT_STREQ(line, "go depth 5");
    char blank[] = " \t\r\n";
    EXPECT_EQ(trimTrailingSpace(blank), 0u);
    // Bytes above 127 are not whitespace and must not be classified through a negative char.
    char binary[] = "\xff\xa0";
    EXPECT_EQ(trimTrailingSpace(binary), 2u);
}

TEST(TextScan, FirstWordSkipsLeadingBlanksAndIsCutAtFifteen) {
    char word[MaxWordLength + 1];
    ASSERT_TRUE(firstWord("  \tuci extra words", word));
    EXPECT_STREQ(word, "uci");
    ASSERT_TRUE(firstWord("abcdefghijklmnopqrstuvwxyz", word));
    EXPECT_STREQ(word, "abcdefghijklmno");
    EXPECT_FALSE(firstWord(" \t ", word));
    EXPECT_FALSE(firstWord("", word));
}

TEST(TextScan, DecimalsReadSignedAndSaturate) {
    EXPECT_EQ(readDecimal("5000 rest"), 5000);
    EXPECT_EQ(readDecimal("-42"), -42);
    EXPECT_EQ(readDecimal("abc"), 0);
    EXPECT_EQ(readDecimal("-"), 0);
    const std::string huge(10000, '9');
    EXPECT_EQ(readDecimal(huge.c_str()), INT64_MAX);
    EXPECT_EQ(readDecimal(("-" + huge).c_str()), -INT64_MAX);
    EXPECT_EQ(readDecimal32(huge.c_str()), INT32_MAX);
    EXPECT_EQ(readDecimal32("-99999999999"), INT32_MIN);
}

}  // namespace tolvaren
