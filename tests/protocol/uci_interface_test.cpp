#include "protocol/uci_interface.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

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

}  // namespace tolvaren
