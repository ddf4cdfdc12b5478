#include "tools/random_searcher.h"

#include <chrono>
#include <thread>

#include "board/make_move.h"
#include "board/notation.h"
#include "board/position.h"
#include "board/random.h"
#include "search/output.h"
#include "search/search_parameters.h"

namespace tolvaren {

SucheZufall_t::SucheZufall_t(bool mateMode) : mateMode_(mateMode) {
    createThread();
}

SucheZufall_t::~SucheZufall_t() {
    terminate();
}

Zug_t firstMatingMove(const Stellung_t& pos, const Zug_t* moves, int count) {
    Stellung_t work = pos;
    Zustand_t state, after;
    computeState(work, state);
    for (int i = 0; i < count; ++i) {
        Rueckzug_t undo;
        if (!playMove(work, moves[i], state, after, undo)) continue;
        int result = 0;
        const bool mates = gameOver(work, after, &result) != 0 && result != 0;
        takeBack(undo);
        if (mates) return moves[i];
    }
    return 0;
}

void SucheZufall_t::run() {
    // Without a legal move the report still comes, as from the real search: a GUI
    // waits for exactly one answer to every "go".
    Zug_t chosen = 0;
    if (rootMoveCount_ > 0) {
        if (mateMode_) chosen = firstMatingMove(position_, rootMoves_, rootMoveCount_);
        if (chosen == 0)
            chosen = rootMoves_[Zufall_t::global().integer(0, static_cast<uint32_t>(rootMoveCount_) - 1)];
    }
    while (pondering()) std::this_thread::sleep_for(std::chrono::milliseconds(PonderPollMillis));
    output_->bestMove(position_, chosen, 0);
}

}  // namespace tolvaren
