#include "bitbase/bitbase_writer.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <vector>

#include "bitbase/bitbase_file.h"
#include "bitbase/bitbase_tables.h"
#include "bitbase/block_codec.h"

namespace tolvaren {

namespace {

// For a byte of four 2-bit results: the nibble of bits that must be 1 (value 3) and
// the nibble of bits that may be 1 (values 3 and 0).
struct Nibbles {
    std::array<uint8_t, 256> must{}, may{};
};
constexpr Nibbles makeNibbles() {
    Nibbles t;
    for (int v = 0; v < 256; ++v)
        for (int k = 0; k < 4; ++k) {
            const int value = (v >> (2 * k)) & 3;
            if (value == 3) t.must[v] |= static_cast<uint8_t>(1 << k);
            if (value == 3 || value == 0) t.may[v] |= static_cast<uint8_t>(1 << k);
        }
    return t;
}
constexpr Nibbles ValueNibbles = makeNibbles();

// Per byte of a block: L = bits that must be 1, U = bits that may be 1 (L within U).
struct Bounds {
    uint8_t low[BlockBytes], up[BlockBytes];
    bool fixed(int i) const { return low[i] == up[i]; }
};

// Stretches over which one byte value fits every byte get a common value, so that runs
// and copies form; R[i] is the length of the longest such stretch from i.
void fitStretches(Bounds& b) {
    int reach[BlockBytes + 2] = {};
    for (int i = 0; i < BlockBytes; ++i) {
        uint8_t orLow = 0, andUp = 0xFF;
        int j = i;
        for (; j < BlockBytes; ++j) {
            const uint8_t l = orLow | b.low[j], u = andUp & b.up[j];
            if (l & ~u) break;
            orLow = l;
            andUp = u;
        }
        reach[i] = j - i;
    }
    for (int i = 0; i <= BlockBytes - 2;) {
        const int r = reach[i];
        if (r < 2 || r < reach[i + 1] || (i != BlockBytes - 2 && r < reach[i + 2])) {
            ++i;
            continue;
        }
        uint8_t a = 0, c = 0xFF;
        for (int j = i; j < i + r; ++j) {
            a |= b.low[j];
            c &= b.up[j];
        }
        for (int j = i; j < i + r; ++j) {
            if (a != c) {
                b.low[j] = a;
                b.up[j] = c;
            } else if (!b.fixed(j)) {
                b.low[j] = b.up[j] = a;
            }
        }
        i += r + 1;
    }
}

// The remaining open bytes take values that are already frequent in the block, or
// else smooth ones (few bit transitions).
void fixOpenBytes(Bounds& b) {
    int count[256] = {};
    bool open = false;
    for (int i = 0; i < BlockBytes; ++i) {
        if (b.fixed(i))
            ++count[b.low[i]];
        else
            open = true;
    }
    if (!open) return;

    for (int i = 0; i < BlockBytes; ++i) {
        const uint8_t l = b.low[i], u = b.up[i];
        if (std::popcount(static_cast<unsigned>(l ^ u)) != 1 || count[l] == count[u]) continue;
        const uint8_t v = count[l] > count[u] ? l : u;
        b.low[i] = b.up[i] = v;
        ++count[v];
    }

    for (int i = 0; i < BlockBytes; ++i) {
        if (b.fixed(i)) continue;
        const uint8_t l = b.low[i], u = b.up[i], free = l ^ u;
        uint8_t best = l;
        for (unsigned s = free; s != 0; s = (s - 1) & free) {
            const uint8_t v = static_cast<uint8_t>(l | s);
            if (count[v] > count[best] ||
                (count[v] == count[best] && TransitionCount[v] < TransitionCount[best]))
                best = v;
        }
        if (count[best] == 0 && TransitionCount[l] == TransitionCount[u] &&
            TransitionCount[u] == TransitionCount[best]) {
            const int ones = std::popcount(static_cast<unsigned>(l));
            const int zeros = 8 - std::popcount(static_cast<unsigned>(u));
            if (ones != zeros)
                best = ones < zeros ? l : u;
            else
                best = count[0xFF] > count[0x00] ? u : l;
        }
        ++count[best];
        b.low[i] = b.up[i] = best;
    }
}

// Orders stored blocks by (length, content), as the search for shared blocks wants.
struct ShorterFirst {
    bool operator()(const std::string& a, const std::string& b) const {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    }
};

bool writeAll(const std::string& path, const std::vector<uint8_t>& index, const std::vector<uint8_t>& data) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    auto put = [file](const std::vector<uint8_t>& bytes) {
        return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    };
    bool ok = put(index) && put(data) && put(std::vector<uint8_t>(TrailingZeroBytes, 0));
    ok = std::fflush(file) == 0 && ok;
    ok = fsync(fileno(file)) == 0 && ok;  // the rename must not overtake the data
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

}  // namespace

void chooseBlockBits(const uint8_t* values, uint8_t* out) {
    Bounds b;
    int lowZero = 0, fixed = 0, upFull = 0;
    for (int i = 0; i < BlockBytes; ++i) {
        const uint8_t v0 = values[2 * i], v1 = values[2 * i + 1];
        b.low[i] = static_cast<uint8_t>(ValueNibbles.must[v0] | ValueNibbles.must[v1] << 4);
        b.up[i] = static_cast<uint8_t>(ValueNibbles.may[v0] | ValueNibbles.may[v1] << 4);
        lowZero += b.low[i] == 0;
        fixed += b.fixed(i);
        upFull += b.up[i] == 0xFF;
    }
    if (lowZero == BlockBytes || fixed == BlockBytes) {
        std::memcpy(out, b.low, BlockBytes);
        return;
    }
    if (upFull == BlockBytes) {
        std::memset(out, 0xFF, BlockBytes);
        return;
    }
    fitStretches(b);
    fixOpenBytes(b);
    std::memcpy(out, b.low, BlockBytes);
}

bool writeBitbase(const std::string& path, const uint8_t* values, size_t valueBytes, std::FILE* err,
                  BitbaseFileStats* stats) {
    const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
    BitbaseFileStats counts;
    bool ok = false;
    try {
        const uint64_t blocks = (valueBytes + BlockValueBytes - 1) / BlockValueBytes;
        const uint64_t indexBytes = blocks * IndexEntryBytes;
        std::vector<uint8_t> index(indexBytes), data;
        std::map<std::string, uint64_t, ShorterFirst> stored;  // stored bytes -> entry number
        std::vector<uint8_t> blockValues(BlockValueBytes);
        uint8_t block[BlockBytes], compressed[MaxCompressedBlockBytes];
        ok = indexBytes <= UINT32_MAX;  // offsets are 32-bit

        for (uint64_t k = 0; ok && k < blocks; ++k) {
            const size_t first = k * BlockValueBytes;
            const size_t n = std::min<size_t>(BlockValueBytes, valueBytes - first);
            std::memcpy(blockValues.data(), values + first, n);
            std::memset(blockValues.data() + n, 0, BlockValueBytes - n);
            chooseBlockBits(blockValues.data(), block);

            uint8_t* entry = index.data() + k * IndexEntryBytes;
            ++counts.blocks;
            const bool zero = std::all_of(block, block + BlockBytes, [](uint8_t v) { return v == 0; });
            const bool ones = std::all_of(block, block + BlockBytes, [](uint8_t v) { return v == 0xFF; });
            if (zero || ones) {
                const uint8_t uniform[IndexEntryBytes] = {zero ? uint8_t{0} : uint8_t{0xFF}, 0xFF, 0xFF, 0xFF,
                                                          0};
                std::memcpy(entry, uniform, IndexEntryBytes);
                ++counts.uniformBlocks;
                continue;
            }
            const int size = compressBlock(block, compressed);
            const bool raw = size >= BlockBytes;
            std::string bytes = raw ? std::string(reinterpret_cast<const char*>(block), BlockBytes)
                                    : std::string(reinterpret_cast<const char*>(compressed), size);
            const auto [it, added] = stored.try_emplace(std::move(bytes), k);
            if (!added) {
                std::memcpy(entry, index.data() + it->second * IndexEntryBytes, IndexEntryBytes);
                ++counts.sharedBlocks;
                continue;
            }
            const uint64_t offset = indexBytes + data.size();
            if (offset + it->first.size() > UINT32_MAX) {
                ok = false;
                break;
            }
            for (int byte = 0; byte < 4; ++byte) entry[byte] = static_cast<uint8_t>(offset >> (8 * byte));
            entry[4] = static_cast<uint8_t>(raw ? 0 : lengthCodeFor(size));
            counts.rawBlocks += raw;
            data.insert(data.end(), it->first.begin(), it->first.end());
        }
        counts.fileBytes = indexBytes + data.size() + TrailingZeroBytes;
        ok = ok && writeAll(temporary, index, data) && std::rename(temporary.c_str(), path.c_str()) == 0;
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) {
        std::remove(temporary.c_str());
        std::fprintf(err, "error writing file: %s\n", path.c_str());
        std::fflush(err);
        return false;
    }
    if (stats != nullptr) *stats = counts;
    return true;
}

}  // namespace tolvaren
