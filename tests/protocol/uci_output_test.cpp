#include "protocol/uci_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_files.h"

namespace tolvaren {

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
