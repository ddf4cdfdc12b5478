// The transposition table: one process-wide store of earlier search results per
// position (score, depth, bound, best move, mate threat), probed and written by
// every search thread without locks. Owned by the main searcher.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tolvaren {

// Unpacked form of one table entry, filled by probe and read by store.
struct Hashdaten_t {
    static constexpr int32_t UpperBound = 0;       // no move reached alpha
    static constexpr int32_t LowerBound = 0x2000;  // a move reached beta
    static constexpr int32_t ExactBound = 0x4000;
    static constexpr int32_t MateThreat = 0x800;

    int32_t score = 0;          // side to move's view, mate scores relative to the root
    int32_t depth = 0;          // half-plies
    int32_t nullWindowRun = 0;  // consecutive null-window plies that led to the node
    int32_t bound = UpperBound;
    uint32_t move = 0;  // Zug_t, 0 = none
    int32_t flags = 0;  // 0 or MateThreat
};

// Two 64-bit words, each read and written as a whole; a reader may pair one
// writer's key with another's data, which the search tolerates.
struct Hasheintrag_t {
    std::atomic<uint64_t> key{0};
    std::atomic<uint64_t> data{0};
};
static_assert(sizeof(Hasheintrag_t) == 16, "entries are 16 bytes");

// Mate scores are stored relative to the node so that an entry found again at
// another distance from the root still names the right mate distance.
inline constexpr int32_t MateRangeScore = 450000;
constexpr int32_t toTableScore(int32_t score, int ply) {
    if (score <= -MateRangeScore) score -= ply;
    if (score >= MateRangeScore) score += ply;
    return score;
}
constexpr int32_t fromTableScore(int32_t score, int ply) {
    if (score <= -MateRangeScore) score += ply;
    if (score >= MateRangeScore) score -= ply;
    return score;
}

class Hashtabelle_t {
   public:
    // Returns 64-byte aligned memory released with std::free, or null on failure.
    using Allocator = void* (*)(std::size_t bytes);

    static constexpr uint32_t MinBytes = 1600;
    static constexpr uint32_t GiveUpBytes = 16000;  // shrinking stops at this size
    static constexpr uint32_t BucketSize = 4;
    static constexpr uint32_t HashfullSample = 2000;

    // A null allocator means allocateLarge; tests pass one that fails on purpose.
    explicit Hashtabelle_t(uint32_t bytes = 0, Allocator allocator = nullptr);
    ~Hashtabelle_t();
    Hashtabelle_t(const Hashtabelle_t&) = delete;
    Hashtabelle_t& operator=(const Hashtabelle_t&) = delete;

    // The next four run only while no other search thread uses the table.
    void resize(uint32_t bytes);  // same size as last asked: keeps every entry
    void clear();
    void newSearch() { generation_ = (generation_ + 1) & 15; }

    bool probe(uint32_t keyLow, uint32_t keyHigh, int ply, Hashdaten_t& out);
    void store(uint32_t keyLow, uint32_t keyHigh, int ply, const Hashdaten_t& in);
    bool probe(uint64_t key, int ply, Hashdaten_t& out) {
        return probe(static_cast<uint32_t>(key), static_cast<uint32_t>(key >> 32), ply, out);
    }
    void store(uint64_t key, int ply, const Hashdaten_t& in) {
        store(static_cast<uint32_t>(key), static_cast<uint32_t>(key >> 32), ply, in);
    }
    // Occupancy by current entries in permille.
    int hashfull() const;

    // Starts loading a bucket into the cache ahead of the probe.
    void prefetch(uint32_t keyHigh) const {
#if defined(__GNUC__)
        if (entries_) __builtin_prefetch(entries_ + bucketStart(keyHigh));
#else
        (void)keyHigh;
#endif
    }

    bool hasEntries() const {
        return entries_ != nullptr;
    }
    // Bucket starts; the array holds 4 entries more.
    uint32_t slotCount() const {
        return slotCount_;
    }
    uint32_t requestedBytes() const {
        return requestedBytes_;
    }
    uint32_t generation() const {
        return generation_;
    }
    // Raw slot access for tests and diagnostics; i < slotCount() + 4.
    const Hasheintrag_t& entry(uint32_t i) const {
        return entries_[i];
    }

   private:
    uint32_t bucketStart(uint32_t keyHigh) const {
        return static_cast<uint32_t>((static_cast<uint64_t>(slotCount_) * keyHigh) >> 32);
    }
    void release();

    Hasheintrag_t* entries_ = nullptr;
    uint32_t slotCount_ = 0;
    uint32_t requestedBytes_ = 0;
    uint32_t generation_ = 0;  // 0..15
    Allocator allocator_;
};

}  // namespace tolvaren
