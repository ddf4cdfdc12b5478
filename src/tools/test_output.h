// The silent sink of the test tools (`TestAusgabe_t`): prints nothing and keeps what
// a tool needs from a search, the best move and the head of the last principal
// variation. The batch and regression tools give one to each of their searchers.
#pragma once

#include <cstdint>

#include "search/output.h"

namespace tolvaren {

class TestAusgabe_t : public Ausgabe_t {
   public:
    TestAusgabe_t() = default;

    void line(const char*) override {}
    void bestMove(const Stellung_t& pos, Zug_t best, Zug_t ponder) override;
    void principalVariation(const Stellung_t& pos, const Zug_t* moves, int length, int32_t score,
                            int32_t alpha, int32_t beta, int depthIndex, int selDepth, int64_t millis,
                            int64_t nodes, int hashFull, int64_t tbHits, bool suppress) override;

    // What the last search reported; read once it is over. Zero before any report.
    Zug_t best() const { return best_; }
    Zug_t pvMove() const { return pvMove_; }
    int32_t pvScore() const { return pvScore_; }

    // Forgets the previous search's reports.
    void clear() {
        best_ = pvMove_ = 0;
        pvScore_ = 0;
    }

   private:
    Zug_t best_ = 0;
    Zug_t pvMove_ = 0;
    int32_t pvScore_ = 0;
};

}  // namespace tolvaren
