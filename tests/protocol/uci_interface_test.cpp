#include "protocol/uci_interface.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "protocol/text_scan.h"
#include "protocol/uci_output.h"
#include "search/output.h"
#include "search/time_control.h"
#include "support/test_files.h"

namespace tolvaren {

namespace {

// Records lines instead of printing them.
class RecordingSink : public Ausgabe_t {
   public:
    void line(const char* text) override {
        if (!muted()) text_ += std::string(text) + "\n";
    }
    std::string text_;
};

class UciInterfaceTest : public ::testing::Test {
   protected:
    RecordingSink sink;
    Zeitkontrolle_t time;
    UciInterface_t uci{nullptr, engineOptionTable, time, sink};
};

}  // namespace

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

TEST_F(UciInterfaceTest, IsreadyAnswersAndUnknownWordsAreIgnored) {
    uci.handleLine("isready");
    uci.handleLine("uci");
    uci.handleLine("Isready");
    uci.handleLine("isreadyisreadyisready");
    uci.handleLine("ucinewgame");
    uci.handleLine("   ");
    uci.handleLine("  isready  now");
    EXPECT_EQ(sink.text_, "readyok\nreadyok\n");
}

// The option values themselves are the setoption parser's; here the word must stand alone.
TEST_F(UciInterfaceTest, SetoptionNeedsItsBlankAndDebugItsWordOn) {
    uci.handleLine("setoption name Hash value 500");
    uci.handleLine("setoption");
    uci.handleLine("setoption\tname Hash value 7");
    EXPECT_EQ(uci.options().number(OptionHash), 500);
    EXPECT_EQ(sink.text_, "");

    for (const auto& [line, on] :
         {std::pair{"debug on", true}, {"debug off", false}, {"debug on", true}, {"debug", false}}) {
        uci.handleLine(line);
        EXPECT_EQ(uci.debug(), on) << line;
    }
}

TEST(UciOutput, ErrorsStayOutAndMutingStopsStatisticsAndLines) {
    test::CapturedFile out;
    UciAusgabe_t sink(emptyOptionTable, out.get());
    EXPECT_EQ(out.lines(),
              (std::vector<std::string>{"id name Tolvaren 2017-01-01", "id author Kestrane", "uciok"}));
    sink.statistics(2, 0, 0, 10, 3, 0);
    sink.line("readyok");
    // Errors are not part of the UCI conversation.
    sink.error("position: illegal move: ", "e2e5");
    sink.secondError("internal", nullptr);
    sink.mute();
    EXPECT_TRUE(sink.muted());
    sink.line("readyok");
    sink.statistics(3, 0, 5, 10, 3, 0);
    EXPECT_EQ(out.lines(), (std::vector<std::string>{
                               "info depth 3 seldepth 3 time 1 nodes 10 nps 10000 hashfull 3", "readyok"}));
}

}  // namespace tolvaren
