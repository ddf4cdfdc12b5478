// The evaluation's per-thread caches as one object, owned by each searcher.
#pragma once

#include <cstdint>

#include "eval/material.h"
#include "eval/pawn_structure.h"

namespace tolvaren {

// Static evaluations by the full hash key. The evaluation reads nothing but the
// position, so an entry never goes stale; re-searches (late-move reductions, the
// null window's fail-highs, each iteration's first moves) find their leaves here.
class EvalCache {
   public:
    static constexpr uint32_t Size = 1u << 14;  // 256 KiB per thread

    bool probe(uint64_t key, int32_t& value) const {
        const Entry& e = entries_[key & (Size - 1)];
        if (!e.filled || e.key != key) return false;
        value = e.value;
        return true;
    }
    void store(uint64_t key, int32_t value) { entries_[key & (Size - 1)] = Entry{key, value, 1}; }
    // Brings the entry of a position about to be searched toward the cache.
    void prefetch([[maybe_unused]] uint64_t key) const {
#if defined(__GNUC__)
        __builtin_prefetch(&entries_[key & (Size - 1)]);
#endif
    }

   private:
    struct Entry {
        uint64_t key = 0;
        int32_t value = 0;
        uint32_t filled = 0;  // a zero key is a key like any other
    };
    Entry entries_[Size];
};

struct EvaluationCaches {
    Materialtabelle_t material;
    Bauerntabelle_t pawns;
    EvalCache evaluations;
};

}  // namespace tolvaren
