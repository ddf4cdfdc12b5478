// The random movers (`SucheZufall_t`): searchers that play a random legal move, or in
// mate mode the first move that mates, instead of searching. Chosen on the command
// line, they make cheap, unpredictable opponents for protocol and GUI tests.
#pragma once

#include "search/searcher.h"

namespace tolvaren {

class SucheZufall_t : public Sucher_t {
   public:
    explicit SucheZufall_t(bool mateMode);
    ~SucheZufall_t() override;

    void ponderhit() override { clearPonder(); }
    bool mateMode() const { return mateMode_; }

   protected:
    void run() override;

   private:
    bool mateMode_;
};

// The first of the moves that mates in `pos`, or 0 when none does.
Zug_t firstMatingMove(const Stellung_t& pos, const Zug_t* moves, int count);

}  // namespace tolvaren
