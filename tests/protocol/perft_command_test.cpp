#include "protocol/perft_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/fen.h"
#include "board/position.h"

namespace tolvaren {
namespace {

struct Output {
    std::vector<std::string> lines;
    std::vector<std::string> errors;
    LineFn lineFn() {
        return [this](std::string_view l) { lines.emplace_back(l); };
    }
    ErrorFn errorFn() {
        return [this](std::string_view m, std::string_view d) {
            errors.push_back(std::string(m) + "|" + std::string(d));
        };
    }
};

// The line without its time field, which varies.
std::string withoutTime(const std::string& line) {
    const size_t t = line.find(" time ");
    const size_t n = line.find(" nodes ");
    return line.substr(0, t) + line.substr(n);
}

TEST(Perft, CommandLines) {
    static Stellung_t pos;
    Zustand_t state;
    setStartPosition(pos, state);

    Output out;
    runPerftCommand(pos, " depth 3 Hash 1", out.lineFn(), out.errorFn());
    ASSERT_EQ(out.lines.size(), 1u);
    EXPECT_EQ(withoutTime(out.lines[0]), "info depth 3 nodes 8902");
    EXPECT_EQ(out.lines[0].find("  "), std::string::npos);

    Output zero;
    runPerftCommand(pos, "depth 0", zero.lineFn(), zero.errorFn());
    ASSERT_EQ(zero.lines.size(), 1u);
    EXPECT_EQ(withoutTime(zero.lines[0]), "info depth 0 nodes 0");

    Output divide;
    runPerftCommand(pos, "divide depth 1", divide.lineFn(), divide.errorFn());
    ASSERT_EQ(divide.lines.size(), 21u);
    EXPECT_EQ(withoutTime(divide.lines[0]), "info move a2a4 depth 0 nodes 1");
    EXPECT_EQ(withoutTime(divide.lines[20]), "info depth 1 nodes 20");

    Output divide2;
    runPerftCommand(pos, "depth 2 divide Hash 2", divide2.lineFn(), divide2.errorFn());
    EXPECT_EQ(withoutTime(divide2.lines[0]), "info move a2a4 depth 1 nodes 20");
    EXPECT_EQ(withoutTime(divide2.lines.back()), "info depth 2 nodes 400");

    Output missing;
    runPerftCommand(pos, "divide", missing.lineFn(), missing.errorFn());
    EXPECT_TRUE(missing.lines.empty());
    ASSERT_EQ(missing.errors.size(), 1u);
    EXPECT_EQ(missing.errors[0].substr(0, 19), "perft without depth");
}

}  // namespace
}  // namespace tolvaren
