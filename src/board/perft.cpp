#include "board/perft.h"

#include <exception>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"

namespace tolvaren {

PerftTabelle_t::PerftTabelle_t(uint64_t bytes) {
    uint64_t n = bytes / sizeof(Entry);
    if (n == 0) return;
    uint64_t size = 1;
    while (size * 2 <= n) size *= 2;
    // A size the machine cannot give is halved until it can: counting must go on.
    for (; size > 0; size /= 2) {
        try {
            entries.assign(size, Entry{0, 0, 0});
            return;
        } catch (const std::exception&) {
            entries.clear();
        }
    }
}

bool PerftTabelle_t::probe(uint64_t key, int depth, uint64_t& count) const {
    if (entries.empty()) return false;
    const Entry& e = entries[key & (entries.size() - 1)];
    if (e.key != key || e.depth != depth) return false;
    count = e.count;
    return true;
}

void PerftTabelle_t::store(uint64_t key, int depth, uint64_t count) {
    if (entries.empty()) return;
    Entry& e = entries[key & (entries.size() - 1)];
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
        for (uint32_t* m = moves.begin(); m != end; ++m) count += leavesKingSafe(pos, state, moveOf(*m));
    } else {
        Zustand_t next;
        Rueckzug_t undo;
        for (uint32_t* m = moves.begin(); m != end; ++m) {
            if (!leavesKingSafe(pos, state, moveOf(*m))) continue;
            if (!playMove(pos, moveOf(*m), state, next, undo)) continue;
            count += perft(table, pos, next, depth - 1);
            takeBack(undo);
        }
    }
    table.store(state.hashKey, depth, count);
    return count;
}

}  // namespace tolvaren
