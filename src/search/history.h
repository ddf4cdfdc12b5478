// Move-ordering memory of a searcher: the history table (`Historie_t`, one per side
// to move) rewarding moves that caused a beta cutoff, and the killer update rule.
// The move picker reads both; the node search updates them at cutoffs.
#pragma once

#include <cstdint>

#include "board/move.h"

namespace tolvaren {

struct Suchebene_t;

struct Historie_t {
    static constexpr uint32_t StartIncrement = 0x10000;
    static constexpr uint32_t RescaleLimit = 0x3C000000;
    static constexpr int RescaleShift = 11;
    static constexpr uint32_t MinIncrement = 32;
    static constexpr int CounterCount = 832;

    uint32_t increment = StartIncrement;  // grows by 1/32 every few cutoffs, so recent ones weigh more
    uint32_t ceiling = StartIncrement;    // power of two at or above the largest counter
    int32_t shift = 0;                    // log2(ceiling / StartIncrement)
    uint32_t accumulator = 0;
    uint32_t counters[CounterCount] = {};

    static int index(Zug_t move) { return ((moveKind(move) & 7) << 6) | moveTo(move); }

    // The ordering key's history part, 0..511.
    uint32_t component(Zug_t move) const {
        return ((counters[index(move)] >> shift) & 0x7FFFFF) >> 7;
    }

    void reward(Zug_t move, int depth);
    void reset() { *this = Historie_t{}; }
};

// Killer update at a cutoff by `move` at the node of `record`.
void updateKillers(Suchebene_t& record, Zug_t move);

}  // namespace tolvaren
