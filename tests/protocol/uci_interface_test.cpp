// The UCI interface, the option store and the "setoption" lines that write to it, and the text
// the interface formats and prints.
#include "protocol/uci_interface.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "protocol/setoption.h"
#include "protocol/uci_format.h"
#include "protocol/uci_output.h"
#include "search/options.h"
#include "search/output.h"
#include "search/search.h"
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

// The first word is found past leading blanks and cut at fifteen characters; "setoption" must
// stand alone (the option values themselves are the setoption parser's).
TEST_F(UciInterfaceTest, CommandWordsAreFoundWholeAndDebugNeedsItsWordOn) {
    for (const char* line : {"isready", "uci", "Isready", "isreadyisreadyisready", "   ", "  isready  now",
                             "setoption name Hash value 500", "setoption", "setoption\tname Hash value 7"})
        uci.handleLine(line);
    EXPECT_EQ(sink.text_, "readyok\nreadyok\n");
    EXPECT_EQ(uci.options().number(OptionHash), 500);

    for (const auto& [line, on] : {std::pair{"debug on", true}, {"debug", false}}) {
        uci.handleLine(line);
        EXPECT_EQ(uci.debug(), on) << line;
    }
}

TEST(UciOutput, ErrorsStayOutAndMutingStopsStatisticsAndLines) {
    test::CapturedFile out;
    UciAusgabe_t sink(emptyOptionTable, out.get());
    out.lines();  // the "uci" answer, which the process tests pin
    sink.statistics(2, 0, 0, 10, 3, 0);
    sink.line("readyok");
    // Errors are not part of the UCI conversation.
    sink.error("position: illegal move: ", "e2e5");
    sink.secondError("internal", nullptr);
    sink.mute();
    sink.line("readyok");
    sink.statistics(3, 0, 5, 10, 3, 0);
    EXPECT_EQ(out.lines(), (std::vector<std::string>{
                               "info depth 3 seldepth 3 time 1 nodes 10 nps 10000 hashfull 3", "readyok"}));
}

namespace {

std::string score(int32_t s, int32_t alpha = -1000000, int32_t beta = 1000000) {
    TextLine line;
    appendScore(line, s, alpha, beta);
    return line.c_str();
}

}  // namespace

TEST(UciFormat, ScoreTextInCentipawnsMatesAndBounds) {
    // Tenths round toward zero, half a centipawn away from it.
    const std::pair<int32_t, const char*> cases[] = {
        {1000, "cp 100"},   {-1, "cp 0"},         {15, "cp 2"},
        {-15, "cp -2"},     {450000, "cp 45000"}, {499999, "mate 1"},
        {499997, "mate 2"}, {-499998, "mate -1"}, {-450001, "mate -25000"}};
    for (const auto& [s, text] : cases) EXPECT_EQ(score(s), std::string(" score ") + text) << s;
    // Against the window 100..300.
    EXPECT_EQ(score(300, 100, 300), " score cp 30 lowerbound");
    EXPECT_EQ(score(100, 100, 300), " score cp 10 upperbound");
    EXPECT_EQ(score(200, 100, 300), " score cp 20");
}

// The "bestmove" lines are pinned by the book's process tests.
TEST(UciFormat, StatisticsVariationMultiPvAndCurrentMoveLines) {
    TextLine line;
    formatPvHead(line, 250, -1000, 1000, {6, 11, 1500, 300000, 5, 0});
    for (const char* m : {"e2e4", "e7e5", "g1f3"}) ASSERT_TRUE(line.appendMove(m));
    EXPECT_STREQ(line.c_str(),
                 "info depth 7 seldepth 11 score cp 25 time 1500 nodes 300000 nps 199866 hashfull 5 pv e2e4 "
                 "e7e5 g1f3");

    // Zero time prints as 1; the rate divides by time + 1, which a negative clock step must
    // not bring to zero.
    for (const int ms : {0, -1}) {
        line.clear();
        formatPvHead(line, 0, -10, 10, {0, 0, ms, 50, 0, 3});
        EXPECT_STREQ(line.c_str(),
                     "info depth 1 seldepth 1 score cp 0 time 1 nodes 50 nps 50000 hashfull 0 tbhits 3 pv");
    }

    line.clear();
    formatMultiPvHead(line, 3, -499998, 8);  // never a bound
    line.appendMove("h2h3");
    EXPECT_STREQ(line.c_str(), "info multipv 3 depth 9 score mate -1 pv h2h3");
    line.clear();
    formatCurrentMove(line, "g1f3", 4, 120);
    EXPECT_STREQ(line.c_str(), "info currmove g1f3 currmovenumber 4 hashfull 120");
}

// Blank collapsing is pinned by the exact lines above.
TEST(UciFormat, VariationStopsBelowOneThousandCharactersAndLongerTextIsCut) {
    TextLine line;
    formatPvHead(line, 0, -10, 10, {0, 0, 10, 10, 0, 0});
    const std::size_t head = line.size();
    int appended = 0;
    for (int i = 0; i < 400; ++i) appended += line.appendMove("a7a8q") ? 1 : 0;
    EXPECT_LT(line.size(), PvLineLimit);
    EXPECT_GE(line.size(), PvLineLimit - 6);
    EXPECT_EQ(line.size(), head + appended * 6u);

    // Text beyond the capacity is cut, never written past the end.
    const std::string big(5000, 'x');
    line.append(big.c_str());
    line.appendf("%s", big.c_str());
    EXPECT_EQ(line.size(), TextLine::Capacity - 1);
    EXPECT_FALSE(line.appendMove("e2e4"));
}

// "MoveOverhead" is accepted though not announced, and the next "go" hands it to the clock rule:
// 60000 ms with 1000 ms increment keeps back 100 ms by default, nothing at 0, all at 1000.
TEST(UciGo, MoveOverheadIsTheIncrementReserveOfTheNextClock) {
    Zeitkontrolle_t time;
    RecordingSink sink;
    sink.mute();  // the searches below print from their own thread
    Suche_t searcher;
    UciInterface_t uci{&searcher, engineOptionTable, time, sink};
    EXPECT_EQ(uci.options().descriptor(OptionMoveOverhead).announced, 0);
    const auto limitsAfter = [&](const std::string& setoption) {
        if (!setoption.empty()) uci.handleLine(setoption.c_str());
        uci.handleLine("go wtime 60000 btime 60000 winc 1000 binc 1000");
        const auto limits = std::tuple(time.target, time.soft, time.hard);
        uci.handleLine("stop");
        return limits;
    };
    EXPECT_EQ(limitsAfter(""), std::tuple(2027, 8108, 12142));
    EXPECT_EQ(limitsAfter("setoption name MoveOverhead value 0"), std::tuple(2127, 8508, 12542));
    EXPECT_EQ(limitsAfter("setoption name MoveOverhead value 5000"), std::tuple(1127, 4508, 8542));
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

    for (const char* bad : {"name hash value 64", "name Hashes value 64", "Hash value 5", "name Hash value",
                            "name Ponder value maybe"})
        EXPECT_FALSE(applySetoption(o, bad)) << bad;
    EXPECT_EQ(o.number(OptionHash), 3);
    EXPECT_EQ(o.text(OptionPonder), "true");
}

TEST(Setoption, ChecksButtonsAndStrings) {
    Optionen_t o(engineOptionTable);
    EXPECT_TRUE(applySetoption(o, "name Ponder value false"));
    EXPECT_EQ(o.text(OptionPonder), "false");

    // A button is pressed by its name alone and taken once.
    EXPECT_TRUE(applySetoption(o, "name Clear Hash"));
    EXPECT_TRUE(o.takeButton(OptionClearHash));
    EXPECT_FALSE(o.takeButton(OptionClearHash));

    // Strings keep their blanks and are cut at 256 characters.
    EXPECT_TRUE(applySetoption(o, "name UCI_Opponent value GM 2700 computer Some Engine"));
    EXPECT_EQ(o.text(OptionOpponent), "GM 2700 computer Some Engine");
    EXPECT_TRUE(applySetoption(o, ("name BookFile value " + std::string(10000, 'x')).c_str()));
    EXPECT_EQ(o.text(OptionBookFile), std::string(256, 'x'));
}

}  // namespace tolvaren
