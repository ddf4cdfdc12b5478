#include "search/transposition_table.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "board/large_pages.h"

namespace tolvaren {

namespace {

// Layout of the data word.
constexpr uint64_t GenerationMask = 0xF;
constexpr int RunShift = 4;
constexpr int DepthShift = 15;
constexpr int MoveShift = 28;
constexpr int ScoreShift = 44;
constexpr int32_t MaxRun = 127;
constexpr int32_t MaxDepth = 8191;
constexpr int32_t ScoreOffset = 500000;
constexpr int32_t MaxScoreField = 0xFFFFF;
constexpr uint64_t BoundMask = 0x6000;
constexpr uint64_t FlagMask = 0x1800;
// Replacement compares run, bound and depth in one go; generation, mate flag,
// move and score take no part.
constexpr uint64_t VictimMask = 0xffff7f0;

}  // namespace

Hashtabelle_t::Hashtabelle_t(uint32_t bytes, Allocator allocator)
    // Probes land anywhere in the table, so by default it asks for huge pages (one page
    // walk fewer per probe on most systems).
    : allocator_(allocator ? allocator : allocateLarge) {
    if (bytes != 0) resize(bytes);
}

Hashtabelle_t::~Hashtabelle_t() {
    release();
}

void Hashtabelle_t::release() {
    // The atomics are trivially destructible; only the block goes back.
    std::free(entries_);
    entries_ = nullptr;
    slotCount_ = 0;
}

void Hashtabelle_t::resize(uint32_t bytes) {
    if (bytes == requestedBytes_) return;
    release();
    requestedBytes_ = bytes;
    uint32_t size = std::max(bytes, MinBytes);
    for (;;) {
        const uint32_t count = size / sizeof(Hasheintrag_t);
        void* block = allocator_(static_cast<std::size_t>(count) * sizeof(Hasheintrag_t));
        if (block) {
            // Constructing the entries zeroes them, which is the clear of a new table.
            entries_ = static_cast<Hasheintrag_t*>(block);
            for (uint32_t i = 0; i < count; ++i) new (entries_ + i) Hasheintrag_t;
            slotCount_ = count - BucketSize;
            generation_ = 1;
            return;
        }
        // Ask for a sixteenth less until even a small table cannot be had.
        size -= size / 16;
        if (size <= GiveUpBytes) return;
    }
}

void Hashtabelle_t::clear() {
    if (!entries_) return;
    generation_ = 1;
    // No search runs while the table is cleared. Word by word, the atomic stores cost as
    // much as a short search (bench clears 16 MiB before each position); an all-zero
    // entry is the empty one, so the memory is simply zeroed.
    std::memset(static_cast<void*>(entries_), 0, sizeof(Hasheintrag_t) * (slotCount_ + BucketSize));
}

bool Hashtabelle_t::probe(uint32_t keyLow, uint32_t keyHigh, int ply, Hashdaten_t& out) {
    if (!entries_) return false;
    const uint64_t key = static_cast<uint64_t>(keyHigh) << 32 | keyLow;
    Hasheintrag_t* bucket = entries_ + bucketStart(keyHigh);
    for (uint32_t i = 0; i < BucketSize; ++i) {
        Hasheintrag_t& e = bucket[i];
        if (e.key.load(std::memory_order_relaxed) != key) continue;
        uint64_t data = e.data.load(std::memory_order_relaxed);
        const int32_t field = static_cast<int32_t>(data >> ScoreShift);
        out.score = fromTableScore(field - ScoreOffset, ply);
        out.depth = static_cast<int32_t>((data >> DepthShift) & MaxDepth);
        out.nullWindowRun = MaxRun - static_cast<int32_t>((data >> RunShift) & MaxRun);
        out.bound = static_cast<int32_t>(data & BoundMask);
        out.move = static_cast<uint32_t>((data >> MoveShift) & 0xFFFF);
        out.flags = static_cast<int32_t>(data & FlagMask);
        if ((data & GenerationMask) != generation_) {
            // A hit makes an old entry current. If another thread rewrote the word
            // meanwhile, that newer word is current already and must not be undone.
            const uint64_t refreshed = (data & ~GenerationMask) | generation_;
            e.data.compare_exchange_strong(data, refreshed, std::memory_order_relaxed);
        }
        return true;
    }
    return false;
}

void Hashtabelle_t::store(uint32_t keyLow, uint32_t keyHigh, int ply, const Hashdaten_t& in) {
    if (!entries_) return;
    // Out-of-range fields are clamped so that they never spill into their neighbours.
    const int32_t score = std::clamp(toTableScore(in.score, ply) + ScoreOffset, 0, MaxScoreField);
    const int32_t run = std::clamp(in.nullWindowRun, 0, MaxRun);
    const int32_t depth = std::clamp(in.depth, 0, MaxDepth);
    const uint64_t data =
        generation_ | static_cast<uint64_t>(MaxRun - run) << RunShift |
        (static_cast<uint64_t>(in.flags) & Hashdaten_t::MateThreat) |
        (static_cast<uint64_t>(in.bound) & BoundMask) | static_cast<uint64_t>(depth) << DepthShift |
        static_cast<uint64_t>(in.move & 0xFFFF) << MoveShift | static_cast<uint64_t>(score) << ScoreShift;

    const uint64_t key = static_cast<uint64_t>(keyHigh) << 32 | keyLow;
    Hasheintrag_t* bucket = entries_ + bucketStart(keyHigh);
    // The same position always takes the newest result, whatever its depth.
    for (uint32_t i = 0; i < BucketSize; ++i) {
        if (bucket[i].key.load(std::memory_order_relaxed) == key) {
            bucket[i].data.store(data, std::memory_order_relaxed);
            return;
        }
    }
    // An entry of an older search goes first; among current ones the shallowest,
    // the later slot on a tie.
    Hasheintrag_t* victim = nullptr;
    for (uint32_t i = 0; i < BucketSize; ++i) {
        if ((bucket[i].data.load(std::memory_order_relaxed) & GenerationMask) != generation_) {
            victim = &bucket[i];
            break;
        }
    }
    if (!victim) {
        victim = &bucket[BucketSize - 1];
        uint64_t lowest = victim->data.load(std::memory_order_relaxed) & VictimMask;
        for (int i = BucketSize - 2; i >= 0; --i) {
            const uint64_t value = bucket[i].data.load(std::memory_order_relaxed) & VictimMask;
            if (value < lowest) {
                lowest = value;
                victim = &bucket[i];
            }
        }
    }
    victim->key.store(key, std::memory_order_relaxed);
    victim->data.store(data, std::memory_order_relaxed);
}

int Hashtabelle_t::hashfull() const {
    if (!entries_) return 0;
    // Large tables are sampled; the first bucket start is skipped.
    uint32_t first = 0, count = slotCount_;
    if (slotCount_ > 2200) {
        first = BucketSize;
        count = HashfullSample;
    }
    uint32_t current = 0;
    for (uint32_t i = first; i < first + count; ++i) {
        if ((entries_[i].data.load(std::memory_order_relaxed) & GenerationMask) == generation_) ++current;
    }
    return static_cast<int>(current * 1000 / count);
}

}  // namespace tolvaren
