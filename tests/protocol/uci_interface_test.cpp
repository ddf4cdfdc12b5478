#include "protocol/uci_interface.h"

#include <gtest/gtest.h>

#include <string>

#include "search/output.h"
#include "search/time_control.h"

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

TEST_F(UciInterfaceTest, SetoptionNeedsItsBlankAndChangesOnlyValues) {
    uci.handleLine("setoption name Hash value 5000");
    EXPECT_EQ(uci.options().number(OptionHash), 1000);
    uci.handleLine("setoption name Clear Hash");
    EXPECT_TRUE(uci.options().flag(OptionClearHash));
    uci.handleLine("setoption");
    uci.handleLine("setoption\tname Hash value 7");
    EXPECT_EQ(uci.options().number(OptionHash), 1000);
    EXPECT_EQ(sink.text_, "");
}

TEST_F(UciInterfaceTest, DebugFollowsTheWordOn) {
    EXPECT_FALSE(uci.debug());
    uci.handleLine("debug on");
    EXPECT_TRUE(uci.debug());
    uci.handleLine("debug off");
    EXPECT_FALSE(uci.debug());
    uci.handleLine("debug");
    EXPECT_FALSE(uci.debug());
}

}  // namespace tolvaren
