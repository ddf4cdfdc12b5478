#include "search/history.h"

#include "search/ply_record.h"

namespace tolvaren {

void Historie_t::reward(Zug_t move, int depth) {
    accumulator += static_cast<uint32_t>((depth >> 1) + 2);
    if (accumulator > 3) {
        accumulator = 0;
        increment += increment >> 5;
    }
    uint32_t& counter = counters[index(move)];
    counter += increment;
    while (counter > ceiling) {
        ceiling <<= 1;
        ++shift;
    }
    if (counter > RescaleLimit) {
        // Old knowledge fades: everything shrinks together so that the order is kept.
        for (uint32_t& c : counters) c >>= RescaleShift;
        increment >>= RescaleShift;
        if (increment < MinIncrement) increment = MinIncrement;
        ceiling >>= RescaleShift;
        shift -= RescaleShift;
    }
}

void updateKillers(Suchebene_t& record, Zug_t move) {
    // A reply on the square just moved to is found by the recapture stage anyway, and a
    // corner move rarely refutes anything in a sibling position.
    const int to = moveTo(move);
    if (to == moveTo(static_cast<Zug_t>(record.lastMove()))) return;
    if (move == record.killer1 || moveKind(move) == ZugEnPassant) return;
    if (to == 0 || to == 7 || to == 56 || to == 63) return;
    record.killer2 = record.killer1;
    record.killer1 = move;
}

}  // namespace tolvaren
