// Endgame recognizers: for positions of at most six pieces, kings included, the node
// and quiescence searches ask here first whether a known ending replaces or corrects
// the static evaluation. Stateless; reads the position and the start-up tables only.
#pragma once

#include <cstdint>

namespace tolvaren {

struct Stellung_t;

struct Erkennung_t {
    static constexpr int32_t None = 0;     // no opinion: evaluate as usual
    static constexpr int32_t Add = 1;      // add value to the evaluation
    static constexpr int32_t Replace = 2;  // value is the evaluation

    int32_t kind;
    int32_t value;  // evaluation units, from the side to move's view
};

Erkennung_t recognize(const Stellung_t& pos);

}  // namespace tolvaren
