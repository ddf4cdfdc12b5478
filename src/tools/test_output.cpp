#include "tools/test_output.h"

namespace tolvaren {

void TestAusgabe_t::bestMove(const Stellung_t&, Zug_t best, Zug_t) {
    best_ = best;
}

void TestAusgabe_t::principalVariation(const Stellung_t&, const Zug_t* moves, int length, int32_t score,
                                       int32_t, int32_t, int, int, int64_t, int64_t, int, int64_t, bool) {
    // An empty variation leaves no move; its score still counts.
    pvMove_ = length > 0 && moves != nullptr ? moves[0] : 0;
    pvScore_ = score;
}

}  // namespace tolvaren
