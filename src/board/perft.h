// Perft: counts the leaves of the legal move tree, with a small table of subtree
// counts. The "perft" command's text lives with the protocol.
#pragma once

#include <cstdint>
#include <vector>

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

class PerftTabelle_t {
   public:
    // Entries: the largest power of two not above bytes / 24 (none for 0 bytes).
    explicit PerftTabelle_t(uint64_t bytes);

    bool probe(uint64_t key, int depth, uint64_t& count) const;
    void store(uint64_t key, int depth, uint64_t count);
    uint64_t size() const { return entries.size(); }

   private:
    struct Entry {
        uint64_t key;
        uint64_t count;
        int32_t depth;
    };
    std::vector<Entry> entries;
};

// Leaf count to `depth` (0 for depth < 1). The position is restored on return.
uint64_t perft(PerftTabelle_t& table, Stellung_t& pos, const Zustand_t& state, int depth);

}  // namespace tolvaren
