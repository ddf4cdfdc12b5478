#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "eval/score.h"
#include "eval_test_support.h"

namespace tolvaren::testing {
namespace {

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

TEST(Evaluate, StartPositionLeavesOnlyTempo) {
    for (const char* fen : {StartFen, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"}) {
        EvalBoard b(fen);
        const EvalTrace t = b.trace();
        EXPECT_EQ(t.blended, b.pos.side == White ? 68 : -68);
        EXPECT_EQ(t.final, 72);
        EXPECT_EQ(b.evaluate(), 72);
    }
}

}  // namespace
}  // namespace tolvaren::testing
