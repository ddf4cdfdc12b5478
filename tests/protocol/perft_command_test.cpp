#include "protocol/perft_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/fen.h"
#include "board/position.h"

namespace tolvaren {
namespace {

// The lines a perft command prints (single-spaced), without their time field, which varies.
std::vector<std::string> perftLines(const Stellung_t& pos, const char* args) {
    std::vector<std::string> lines;
    runPerftCommand(
        pos, args,
        [&lines](std::string_view l) {
            const std::string line(l);
            EXPECT_EQ(line.find("  "), std::string::npos) << line;
            lines.push_back(line.substr(0, line.find(" time ")) + line.substr(line.find(" nodes ")));
        },
        [&lines](std::string_view m, std::string_view) { lines.push_back("error: " + std::string(m)); });
    return lines;
}

TEST(Perft, CommandLines) {
    static Stellung_t pos;
    Zustand_t state;
    setStartPosition(pos, state);
    EXPECT_EQ(perftLines(pos, " depth 3 Hash 1"), std::vector<std::string>{"info depth 3 nodes 8902"});
    EXPECT_EQ(perftLines(pos, "depth 0"), std::vector<std::string>{"info depth 0 nodes 0"});

    const auto divide = perftLines(pos, "divide depth 1");
    ASSERT_EQ(divide.size(), 21u);
    EXPECT_EQ(divide[0], "info move a2a4 depth 0 nodes 1");
    EXPECT_EQ(divide[20], "info depth 1 nodes 20");
    const auto divide2 = perftLines(pos, "depth 2 divide Hash 2");
    EXPECT_EQ(divide2[0], "info move a2a4 depth 1 nodes 20");
    EXPECT_EQ(divide2.back(), "info depth 2 nodes 400");

    const auto missing = perftLines(pos, "divide");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].substr(0, 26), "error: perft without depth");
}

}  // namespace
}  // namespace tolvaren
