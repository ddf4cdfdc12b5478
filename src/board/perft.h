// Perft: counts the leaves of the legal move tree, with a small table of subtree
// counts. The "perft" command's text lives with the protocol.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

class PerftTabelle_t {
   public:
    // The size comes from the command line: no more than the "Hash" option allows.
    static constexpr uint64_t MaxBytes = uint64_t{1000} << 20;

    // Entries: the largest power of two not above min(bytes, MaxBytes) / 24; none for
    // 0 bytes or when the memory cannot be had (then outOfMemory() tells).
    explicit PerftTabelle_t(uint64_t bytes);

    bool probe(uint64_t key, int depth, uint64_t& count) const;
    void store(uint64_t key, int depth, uint64_t count);
    uint64_t size() const { return size_; }
    bool outOfMemory() const { return outOfMemory_; }

   private:
    struct Entry {
        uint64_t key;
        uint64_t count;
        int32_t depth;
    };
    struct Release {
        void operator()(Entry* e) const { std::free(e); }
    };
    std::unique_ptr<Entry[], Release> entries_;
    uint64_t size_ = 0;
    bool outOfMemory_ = false;
};

// Leaf count to `depth` (0 for depth < 1). The position is restored on return.
uint64_t perft(PerftTabelle_t& table, Stellung_t& pos, const Zustand_t& state, int depth);

}  // namespace tolvaren
