#include "protocol/uci_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "search/time_control.h"

namespace tolvaren {

namespace {

// A sink target whose lines can be read back.
class CapturedFile {
public:
    CapturedFile() : file_(std::tmpfile()) {}
    ~CapturedFile() { std::fclose(file_); }
    std::FILE* get() const { return file_; }

    std::vector<std::string> lines() const {
        std::fflush(file_);
        std::rewind(file_);
        std::vector<std::string> result;
        std::string current;
        for (int c; (c = std::fgetc(file_)) != EOF;) {
            if (c == '\n') {
                result.push_back(current);
                current.clear();
            } else {
                current += static_cast<char>(c);
            }
        }
        std::fseek(file_, 0, SEEK_END);
        return result;
    }

private:
    std::FILE* file_;
};

}  // namespace

TEST(UciOutput, EmptyTableAnnouncesNoOptions) {
    CapturedFile out;
    UciAusgabe_t sink(emptyOptionTable, out.get());
    EXPECT_EQ(out.lines(), (std::vector<std::string>{"id name Tolvaren 2017-01-01", "id author Kestrane", "uciok"}));
}

TEST(UciOutput, StatisticsAndLinesStopWhenMuted) {
    CapturedFile out;
    UciAusgabe_t sink(emptyOptionTable, out.get());
    sink.statistics(2, 0, 0, 10, 3, 0);
    sink.line("readyok");
    // Errors are not part of the UCI conversation.
    sink.error("position: illegal move: ", "e2e5");
    sink.secondError("internal", nullptr);
    sink.mute();
    EXPECT_TRUE(sink.muted());
    sink.line("readyok");
    sink.statistics(3, 0, 5, 10, 3, 0);
    const std::vector<std::string> lines = out.lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], "info depth 3 seldepth 3 time 1 nodes 10 nps 10000 hashfull 3");
    EXPECT_EQ(lines[4], "readyok");
}

TEST(UciOutput, TestSinkPrintsNothingAtConstruction) {
    CapturedFile out;
    Zeitkontrolle_t time;
    UciTestausgabe_t sink(time, out.get());
    sink.statistics(2, 0, 0, 10, 3, 0);
    sink.line("readyok");
    EXPECT_EQ(out.lines(), std::vector<std::string>{"readyok"});
    EXPECT_EQ(sink.times().count, 0);
}

}  // namespace tolvaren
