#include "bitbase/bitbase_cache.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bitbase/bitbase_file.h"
#include "board/bitboard.h"

namespace tolvaren {

namespace {

constexpr uint32_t NameWeights[8] = {290557, 179573, 110989, 68597, 42391, 26203, 16193, 10007};
constexpr int EvictionTails = 7;

// Side 1's view of a probe: its pieces first, rows mirrored, the other side to move.
struct SwappedLists {
    int types0[MaxBitbasePieces + 1] = {}, types1[MaxBitbasePieces + 1] = {};
    int squares0[MaxBitbasePieces] = {}, squares1[MaxBitbasePieces] = {};
};

int listLength(const int* types) {
    int n = 0;
    while (n < MaxBitbasePieces && types[n] != 0) ++n;
    return n;
}

}  // namespace

BitbaseCacheSizes splitBitbaseMemory(uint64_t total, int threads) {
    BitbaseCacheSizes sizes;
    if (total == 0) return sizes;
    total = std::min<uint64_t>(total, UINT32_MAX);
    const uint64_t n = static_cast<uint64_t>(std::clamp(threads, 1, 4));
    if (n == 1) {
        sizes.shared = MinBitbaseCacheBytes;
        sizes.perThread = total < 2 * MinBitbaseCacheBytes
                              ? MinBitbaseCacheBytes
                              : static_cast<uint32_t>(total - MinBitbaseCacheBytes);
        return sizes;
    }
    const uint64_t a = total / (n + 3);
    const uint64_t b = total / (10 * n - 3) + 54400;
    uint64_t used;
    if (a < b) {
        sizes.perThread = static_cast<uint32_t>(std::max<uint64_t>(a, MinBitbaseCacheBytes));
        used = n * a;
    } else {
        sizes.perThread = static_cast<uint32_t>(b);
        used = n * b;
    }
    sizes.shared =
        static_cast<uint32_t>(std::max<uint64_t>(total > used ? total - used : 0, MinBitbaseCacheBytes));
    return sizes;
}

BitbaseCache_t::BitbaseCache_t(uint32_t bytes, BitbaseCache_t* loader) : loader_(loader ? loader : this) {
    build(bytes);
}

void BitbaseCache_t::build(uint32_t bytes) {
    buckets_.reset();
    blocks_.reset();
    free_ = nullptr;
    size_ = bucketCount_ = slotCount_ = 0;
    ageCounter_ = 0;
    pieceLimit_.store(0, std::memory_order_relaxed);
    if (bytes == 0) return;
    bytes = std::max(bytes, MinBitbaseCacheBytes);
    const uint32_t slots = bytes / BitbaseSlotBytes;
    uint32_t buckets = 1;
    while (buckets <= bytes / 1088) buckets *= 2;  // the power of two strictly above
    auto newBuckets = std::make_unique<Cacheblock_t*[]>(buckets);
    auto newBlocks = std::make_unique<Cacheblock_t[]>(slots);
    for (uint32_t i = 0; i < slots; ++i) newBlocks[i].link = i + 1 < slots ? &newBlocks[i + 1] : nullptr;
    buckets_ = std::move(newBuckets);
    blocks_ = std::move(newBlocks);
    free_ = &blocks_[0];
    size_ = bytes;
    bucketCount_ = buckets;
    slotCount_ = slots;
    pieceLimit_.store(MaxBitbasePieces, std::memory_order_relaxed);
}

void BitbaseCache_t::setSize(uint32_t bytes) {
    if (bytes == size_ || (bytes > 0 && bytes < MinBitbaseCacheBytes && size_ == MinBitbaseCacheBytes))
        return;
    try {
        build(bytes);
    } catch (...) {
        build(0);
        throw;
    }
}

uint32_t BitbaseCache_t::blockHash(const char* materialName, uint32_t key) {
    uint32_t h = 470131u * (key / 512);
    for (int i = 0; i < 8 && materialName[i] != '\0'; ++i)
        h += static_cast<uint32_t>(static_cast<unsigned char>(materialName[i])) * NameWeights[i];
    return h;
}

Cacheblock_t* BitbaseCache_t::find(const char* materialName, uint32_t key, uint32_t bucket) {
    Cacheblock_t** head = &buckets_[bucket];
    for (Cacheblock_t** at = head; *at != nullptr; at = &(*at)->link) {
        Cacheblock_t* block = *at;
        if (block->key != key || std::strcmp(block->name, materialName) != 0) continue;
        if (at != head) {  // move to front: hot blocks stay at the chain heads
            *at = block->link;
            block->link = *head;
            *head = block;
        }
        block->age = ++ageCounter_;
        return block;
    }
    return nullptr;
}

Cacheblock_t* BitbaseCache_t::takeSlot(uint32_t bucket) {
    if (free_ != nullptr) {
        Cacheblock_t* slot = free_;
        free_ = slot->link;
        return slot;
    }
    // Evict the oldest of the chain tails in the next seven non-empty buckets.
    Cacheblock_t** victimAt = nullptr;
    uint32_t oldest = 0;
    int seen = 0;
    for (uint32_t step = 1; seen < EvictionTails; ++step) {
        const uint32_t b = (bucket + step) & (bucketCount_ - 1);
        if (buckets_[b] == nullptr) {
            if (step > bucketCount_ && seen == 0) return nullptr;  // cannot happen: slots are all in use
            continue;
        }
        ++seen;
        Cacheblock_t** at = &buckets_[b];
        while ((*at)->link != nullptr) at = &(*at)->link;
        const uint32_t age = ageCounter_ - (*at)->age;
        if (victimAt == nullptr || age > oldest) {
            victimAt = at;
            oldest = age;
        }
    }
    Cacheblock_t* victim = *victimAt;
    *victimAt = nullptr;
    return victim;
}

void BitbaseCache_t::insert(Cacheblock_t* slot, uint32_t bucket) {
    slot->link = buckets_[bucket];
    buckets_[bucket] = slot;
    slot->age = ++ageCounter_;
}

void BitbaseCache_t::release(Cacheblock_t* slot) {
    slot->link = free_;
    free_ = slot;
}

int BitbaseCache_t::lookupBit(const char* materialName, uint64_t index, bool onlyCached) {
    if (bucketCount_ == 0) return -1;
    const uint32_t key = static_cast<uint32_t>((index >> 12) * 512);
    const uint32_t offset = static_cast<uint32_t>(index >> 3) - key;
    const int bitNumber = static_cast<int>(index & 7);
    const uint32_t bucket = bucketOf(materialName, key);
    if (Cacheblock_t* block = find(materialName, key, bucket)) return (block->data[offset] >> bitNumber) & 1;
    if (onlyCached) return -1;

    Cacheblock_t* slot = takeSlot(bucket);
    if (slot == nullptr) return -1;
    std::strncpy(slot->name, materialName, MaxBitbasePieces);
    slot->name[MaxBitbasePieces] = '\0';
    slot->key = key;
    slot->link = nullptr;
    const bool loaded = loader_ == this ? readFromFiles(*slot) : loader_->loadBlock(*slot, onlyCached);
    if (!loaded) {
        release(slot);
        return -1;
    }
    insert(slot, bucket);
    return (slot->data[offset] >> bitNumber) & 1;
}

bool BitbaseCache_t::loadBlock(Cacheblock_t& slot, bool) {
    return readFromFiles(slot);
}

bool BitbaseCache_t::readFromFiles(Cacheblock_t& slot) {
    const std::string file = bitbaseFileName(slot.name);
    std::FILE* opened = nullptr;
    for (size_t start = 0;;) {
        const size_t colon = path_.find(':', start);
        const std::string directory = path_.substr(start, colon == std::string::npos ? colon : colon - start);
        const std::string candidate = directory + "/" + file;
        opened = std::fopen(candidate.c_str(), "rb");
        if (opened != nullptr && !soundFile(candidate, opened, slot.name)) {
            std::fclose(opened);
            opened = nullptr;
        }
        if (opened != nullptr || colon == std::string::npos) break;
        start = colon + 1;
    }
    if (opened == nullptr) {
        // Positions of this many pieces are not worth probing again.
        pieceLimit_.store(static_cast<int32_t>(std::strlen(slot.name)) - 1, std::memory_order_relaxed);
        return false;
    }
    const bool ok = readBitbaseBlock(opened, slot.key / 512, slot.data);
    std::fclose(opened);
    return ok;
}

bool BitbaseCache_t::soundFile(const std::string& path, std::FILE* file, const char* materialName) {
    struct stat status;
    if (fstat(fileno(file), &status) != 0) return false;
    CheckedFile now;
    now.inode = static_cast<uint64_t>(status.st_ino);
    now.bytes = static_cast<uint64_t>(status.st_size);
    now.modified = static_cast<int64_t>(status.st_mtime);
    {
        std::lock_guard<std::mutex> lock(checkedMutex_);
        const auto it = checked_.find(path);
        if (it != checked_.end() && it->second.inode == now.inode && it->second.bytes == now.bytes &&
            it->second.modified == now.modified)
            return it->second.sound;
    }
    BitbaseStellung_t material;
    now.sound = material.setMaterial(materialName) &&
                checkBitbaseFile(file, bitbaseBlockCount(material.size)).fault == BitbaseFileFault::None;
    std::lock_guard<std::mutex> lock(checkedMutex_);
    checked_[path] = now;
    return now.sound;
}

bool BitbaseCache_t::probe(const int* types0, const int* types1, const int* squares0, const int* squares1,
                           int side, int ep, bool onlyCached, int& result) {
    if (bucketCount_ == 0) return false;
    BitbaseStellung_t position;
    if (!position.setPieces(types0, squares0, types1, squares1, side, ep)) return false;
    const int bit = lookupBit(position.name, position.index(), onlyCached);
    if (bit < 0) return false;
    if (bit == 1) {
        result = 1;
        countHit();
        return true;
    }
    // Side 0 does not win: ask the file with the sides exchanged whether side 1 does.
    SwappedLists swapped;
    const int n0 = listLength(types0), n1 = listLength(types1);
    for (int i = 0; i < n1; ++i) {
        swapped.types0[i] = types1[i];
        swapped.squares0[i] = squares1[i] ^ 56;
    }
    for (int i = 0; i < n0; ++i) {
        swapped.types1[i] = types0[i];
        swapped.squares1[i] = squares0[i] ^ 56;
    }
    BitbaseStellung_t other;
    if (!other.setPieces(swapped.types0, swapped.squares0, swapped.types1, swapped.squares1, 1 - side,
                         ep >= 1 ? ep ^ 56 : -1))
        return false;
    const int otherBit = lookupBit(other.name, other.index(), onlyCached);
    if (otherBit < 0) return false;
    result = -otherBit;
    countHit();
    return true;
}

bool BitbaseCacheMitSperre_t::loadBlock(Cacheblock_t& slot, bool onlyCached) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hasBuckets()) return false;
    const uint32_t bucket = bucketOf(slot.name, slot.key);
    if (Cacheblock_t* block = find(slot.name, slot.key, bucket)) {
        std::memcpy(slot.data, block->data, sizeof slot.data);
        return true;
    }
    if (onlyCached) return false;
    Cacheblock_t* own = takeSlot(bucket);
    if (own == nullptr) return false;
    std::memcpy(own->name, slot.name, sizeof own->name);
    own->key = slot.key;
    own->link = nullptr;
    if (!readFromFiles(*own)) {
        release(own);
        return false;
    }
    insert(own, bucket);
    std::memcpy(slot.data, own->data, sizeof slot.data);
    return true;
}

bool BitbaseCacheMitSperre_t::probe(const int* types0, const int* types1, const int* squares0,
                                    const int* squares1, int side, int ep, bool onlyCached, int& result) {
    std::lock_guard<std::mutex> lock(mutex_);
    return BitbaseCache_t::probe(types0, types1, squares0, squares1, side, ep, onlyCached, result);
}

}  // namespace tolvaren
