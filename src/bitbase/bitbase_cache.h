// The bitbase block cache (`BitbaseCache_t`): decoded 512-byte blocks of ".abb" files
// in a hash table with move-to-front chains, and the win/draw/loss probe on top of it.
// Each search thread owns one; a shared one reads the files; the generator uses one too.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "bitbase/bitbase_position.h"

namespace tolvaren {

struct Cacheblock_t {
    uint32_t key;        // byte offset of the block in the material's bit array
    Cacheblock_t* link;  // next block of the bucket, or of the free list
    uint32_t age;        // the cache's age counter at the last use
    char name[MaxBitbasePieces + 1];
    uint8_t data[512];
};

constexpr uint32_t MinBitbaseCacheBytes = 1632;  // three slots
constexpr uint32_t BitbaseSlotBytes = 544;       // budget per slot: data plus bookkeeping

struct BitbaseCacheSizes {
    uint32_t shared = 0;
    uint32_t perThread = 0;
};

// Splits `total` bytes between the shared loader and each of `threads` private caches.
BitbaseCacheSizes splitBitbaseMemory(uint64_t total, int threads);

class BitbaseCache_t {
   public:
    // A null loader makes the cache its own loader. Throws std::bad_alloc when the
    // table cannot be allocated.
    explicit BitbaseCache_t(uint32_t bytes = 0, BitbaseCache_t* loader = nullptr);
    virtual ~BitbaseCache_t() = default;
    BitbaseCache_t(const BitbaseCache_t&) = delete;
    BitbaseCache_t& operator=(const BitbaseCache_t&) = delete;

    // Fills slot.data for slot.name / slot.key from the files on this cache's path.
    virtual bool loadBlock(Cacheblock_t& slot, bool onlyCached);

    // Win for side 0 (+1), draw (0) or win for side 1 (-1) of the position given by two
    // piece lists (king first, then falling type; ended by type 0 or six entries).
    // False when unknown; result is then untouched.
    virtual bool probe(const int* types0, const int* types1, const int* squares0, const int* squares1,
                       int side, int ep, bool onlyCached, int& result);

    // Rebuilds the table for a new size (same size: keeps every block). Throws
    // std::bad_alloc like the constructor; the cache is then empty (size 0).
    void setSize(uint32_t bytes);
    void setPath(const std::string& directories) { path_ = directories; }
    const std::string& path() const { return path_; }

    // 1 or 0 for bit `index` of a material, -1 when the block is not available.
    int lookupBit(const char* materialName, uint64_t index, bool onlyCached);

    bool hasBuckets() const { return bucketCount_ != 0; }
    uint32_t size() const { return size_; }
    uint32_t bucketCount() const { return bucketCount_; }
    uint32_t slotCount() const { return slotCount_; }
    // Read by other threads while the owner probes, hence relaxed atomics.
    uint32_t hits() const { return hits_.load(std::memory_order_relaxed); }
    void resetHits() { hits_.store(0, std::memory_order_relaxed); }
    int32_t pieceLimit() const { return pieceLimit_.load(std::memory_order_relaxed); }

    static uint32_t blockHash(const char* materialName, uint32_t key);

   protected:
    // Table work shared with the locked subclass.
    Cacheblock_t* find(const char* materialName, uint32_t key, uint32_t bucket);
    Cacheblock_t* takeSlot(uint32_t bucket);
    void insert(Cacheblock_t* slot, uint32_t bucket);
    void release(Cacheblock_t* slot);
    bool readFromFiles(Cacheblock_t& slot);
    // Whether an open file agrees with its own index; a file that does not is treated
    // as missing. Each file is checked once until it changes.
    bool soundFile(const std::string& path, std::FILE* file, const char* materialName);
    uint32_t bucketOf(const char* materialName, uint32_t key) const {
        return blockHash(materialName, key) & (bucketCount_ - 1);
    }

   private:
    void build(uint32_t bytes);
    void countHit() { hits_.store(hits_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed); }

    std::unique_ptr<Cacheblock_t*[]> buckets_;
    std::unique_ptr<Cacheblock_t[]> blocks_;
    Cacheblock_t* free_ = nullptr;
    uint32_t size_ = 0;
    uint32_t bucketCount_ = 0;
    uint32_t slotCount_ = 0;
    std::atomic<uint32_t> hits_{0};
    std::atomic<int32_t> pieceLimit_{0};
    uint32_t ageCounter_ = 0;
    std::string path_ = ".";
    BitbaseCache_t* loader_;

    // Verdicts of the files read so far, by path, with what identifies that file. All
    // threads read through one loader, hence the lock; it is taken only inside
    // BitbaseCacheMitSperre_t's mutex, never around it.
    struct CheckedFile {
        uint64_t inode = 0, bytes = 0;
        int64_t modified = 0;
        bool sound = false;
    };
    std::mutex checkedMutex_;
    std::map<std::string, CheckedFile> checked_;
};

// A cache that several threads may use at once: it serves other caches' misses from
// its own table and probes under its mutex (which also guards the table).
class BitbaseCacheMitSperre_t : public BitbaseCache_t {
   public:
    using BitbaseCache_t::BitbaseCache_t;
    bool loadBlock(Cacheblock_t& slot, bool onlyCached) override;
    bool probe(const int* types0, const int* types1, const int* squares0, const int* squares1, int side,
               int ep, bool onlyCached, int& result) override;

   private:
    std::mutex mutex_;
};

}  // namespace tolvaren
