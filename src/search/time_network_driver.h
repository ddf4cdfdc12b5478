// The search driver's side of the time network: after each iteration it describes the
// iteration for the network (how stable the best move, the variation and the score were)
// and keeps the time log. Suche_t calls describeIteration; the log itself is Zeitprotokoll_t.
#pragma once

#include <cstdint>

#include "board/move.h"
#include "board/position.h"
#include "net/time_network.h"
#include "search/root_moves.h"

namespace tolvaren {

// The record of an iteration that has just ended. pv holds the principal variation, its first
// move being the iteration's best move (length 0: no best move); rootList the root moves with
// the nodes each took; pos and rootState the root position. The change history continues
// previous, the record of the iteration before (all zero before the first one).
Iterationsmerkmale_t describeIteration(const Stellung_t& pos, const Zustand_t& rootState,
                                       const Wurzelzug_t* rootList, int rootCount, const Zug_t* pv,
                                       int pvLength, int32_t score, const Iterationsmerkmale_t& previous);

}  // namespace tolvaren
