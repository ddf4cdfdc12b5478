#include "book/book.h"

#include <algorithm>

#include "board/data_path.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "board/random.h"

namespace tolvaren {

namespace {

bool entryBefore(const Bucheintrag_t& a, const Bucheintrag_t& b) {
    return a.key != b.key ? a.key < b.key : a.weight > b.weight;
}

Zug_t forSideToMove(uint32_t stored, int side) {
    return static_cast<Zug_t>(side == Black ? stored ^ MirrorMoveMask : stored);
}

}  // namespace

uint64_t whiteViewKey(const Stellung_t& pos, const Zustand_t& state) {
    if (pos.side == White) return state.hashKey;
    Stellung_t flipped;
    flipColors(pos, flipped);
    return flipped.history[0];  // the flip keeps its own key as its whole history
}

bool Buch_t::load(std::string_view fileName) {
    fileName_.assign(fileName);
    entries_.clear();
    // A name with a zero byte would open a shorter name's file.
    if (fileName_.empty() || fileName_.find('\0') != std::string::npos) return false;
    if (!readBookFile(resolveDataFile(fileName_).c_str(), entries_)) return false;
    // Stable: entries of equal key and weight keep the file's order, which makes draws
    // from a seeded generator repeatable across builds.
    std::stable_sort(entries_.begin(), entries_.end(), entryBefore);
    return true;
}

std::pair<const Bucheintrag_t*, const Bucheintrag_t*> Buch_t::entriesOf(uint64_t key) const {
    const Bucheintrag_t* begin = entries_.data();
    const Bucheintrag_t* end = begin + entries_.size();
    const Bucheintrag_t* first =
        std::lower_bound(begin, end, key, [](const Bucheintrag_t& e, uint64_t k) { return e.key < k; });
    const Bucheintrag_t* last = first;
    while (last != end && last->key == key) ++last;
    return {first, last};
}

bool Buch_t::probe(std::string_view fileName, const Stellung_t& pos, Zug_t& move, Zug_t* ponder) {
    if (fileName != fileName_) load(fileName);
    if (entries_.empty()) return false;
    Zustand_t state;
    computeState(pos, state);
    const auto [first, last] = entriesOf(whiteViewKey(pos, state));
    // A position outside the book draws nothing, so the sequence moves only on hits.
    if (first == last) return false;
    return pick(pos, state, first, last, Zufall_t::global().next(), move, ponder);
}

bool Buch_t::choose(const Stellung_t& pos, uint32_t randomValue, Zug_t& move, Zug_t* ponder) const {
    Zustand_t state;
    computeState(pos, state);
    const auto [first, last] = entriesOf(whiteViewKey(pos, state));
    if (first == last) return false;
    return pick(pos, state, first, last, randomValue, move, ponder);
}

bool Buch_t::pick(const Stellung_t& pos, const Zustand_t& state, const Bucheintrag_t* first,
                  const Bucheintrag_t* last, uint32_t randomValue, Zug_t& move, Zug_t* ponder) const {
    uint64_t total = 0;
    for (const Bucheintrag_t* e = first; e != last; ++e)
        total += static_cast<uint64_t>(std::max(e->weight, 0));
    if (total == 0) return false;
    uint64_t r = randomValue % total;
    const Bucheintrag_t* chosen = first;
    for (; chosen + 1 != last; ++chosen) {
        const uint64_t w = static_cast<uint64_t>(std::max(chosen->weight, 0));
        if (r < w) break;
        r -= w;
    }
    const Zug_t found = forSideToMove(chosen->move, pos.side);
    if (moveKind(found) == ZugKeiner) return false;
    // Keys can collide; a move that is not legal here must never reach the board.
    if (!isLegal(pos, found, state)) return false;
    move = found;
    if (ponder) *ponder = ponderAfter(pos, state, found);
    return true;
}

Zug_t Buch_t::ponderAfter(const Stellung_t& pos, const Zustand_t& state, Zug_t bookMove) const {
    Stellung_t after = pos;
    Zustand_t afterState;
    Rueckzug_t undo;
    if (!playMove(after, bookMove, state, afterState, undo)) return 0;
    const auto [first, last] = entriesOf(whiteViewKey(after, afterState));
    // The first entry of a key is its heaviest.
    if (first == last || first->weight == 0) return 0;
    const Zug_t reply = forSideToMove(first->move, after.side);
    if (moveKind(reply) == ZugKeiner || !isLegal(after, reply, afterState)) return 0;
    return reply;
}

}  // namespace tolvaren
