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

}  // namespace tolvaren
