// The root move list (`Wurzelzug_t`): every move searched at the root with its last
// score, depth, bound and node count, and the order the driver keeps it in.
#pragma once

#include <cstdint>

namespace tolvaren {

struct Wurzelzug_t {
    static constexpr int32_t Exact = 0x4000;

    uint32_t move = 0;
    int32_t score = 0;
    int32_t depth = 0;  // half-plies at which score was found; 0 before the first search
    int32_t bound = 0;  // Exact when the score raised alpha at that depth
    uint64_t nodes = 0;
};

// Exact entries first, by score, then depth, then nodes; the others by depth, then
// nodes; the smaller move value last. A strict total order.
inline bool rootMoveBefore(const Wurzelzug_t& a, const Wurzelzug_t& b) {
    if (a.bound != b.bound) return a.bound > b.bound;
    if (a.bound == Wurzelzug_t::Exact && a.score != b.score) return a.score > b.score;
    if (a.depth != b.depth) return a.depth > b.depth;
    if (a.nodes != b.nodes) return a.nodes > b.nodes;
    return a.move < b.move;
}

}  // namespace tolvaren
