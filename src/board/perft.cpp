#include "board/perft.h"

#include <algorithm>
#include <cstdlib>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"

namespace tolvaren {

PerftTabelle_t::PerftTabelle_t(uint64_t bytes) {
    const uint64_t n = std::min(bytes, MaxBytes) / sizeof(Entry);
    if (n == 0) return;
    uint64_t size = 1;
    while (size * 2 <= n) size *= 2;
    // Zeroed pages come from the system untouched, so a large table costs only what
    // the count visits; a refusal is reported by the caller and counting goes on without.
    entries_.reset(static_cast<Entry*>(std::calloc(static_cast<std::size_t>(size), sizeof(Entry))));
    if (!entries_) {
        outOfMemory_ = true;
        return;
    }
    size_ = size;
}

bool PerftTabelle_t::probe(uint64_t key, int depth, uint64_t& count) const {
    if (size_ == 0) return false;
    const Entry& e = entries_[key & (size_ - 1)];
    if (e.key != key || e.depth != depth) return false;
    count = e.count;
    return true;
}

void PerftTabelle_t::store(uint64_t key, int depth, uint64_t count) {
    if (size_ == 0) return;
    Entry& e = entries_[key & (size_ - 1)];
    // A deeper entry with a much larger subtree is worth more than this one.
    if (e.depth >= depth && e.count > 2 * count) return;
    e = Entry{key, count, depth};
}

static_assert(sizeof(uint64_t) * 2 + sizeof(int32_t) <= 24);

uint64_t perft(PerftTabelle_t& table, Stellung_t& pos, const Zustand_t& state, int depth) {
    if (depth < 1) return 0;
    uint64_t count = 0;
    if (table.probe(state.hashKey, depth, count)) return count;
    Zugliste_t moves;
    uint32_t* end = generate(pos, state, moves.begin());
    if (depth == 1) {
        // King moves are generated onto safe squares only, so without pinned pieces and
        // without an e.p. capture every generated move is legal.
        if (!state.by(pos.side ^ 1).pinned && !pos.epSquare) {
            count = static_cast<uint64_t>(end - moves.begin());
        } else {
            for (uint32_t* m = moves.begin(); m != end; ++m) count += leavesKingSafe(pos, state, moveOf(*m));
        }
    } else {
        Zustand_t next;
        Rueckzug_t undo;
        for (uint32_t* m = moves.begin(); m != end; ++m) {
            if (!playMoveForCounting(pos, moveOf(*m), state, next, undo)) continue;
            count += perft(table, pos, next, depth - 1);
            takeBack(undo);
        }
    }
    table.store(state.hashKey, depth, count);
    return count;
}

}  // namespace tolvaren
