// The ".abb" bitbase file: a block index of 5-byte entries (offset, length code), the
// block data with shared blocks stored once, and three zero bytes. The block reader
// here serves the block cache and the explanation; the writer lives beside it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tolvaren {

constexpr int IndexEntryBytes = 5;
constexpr int TrailingZeroBytes = 3;
// Readers of this format compute (indices / 4) * 5 in 32 bits, so a material must have
// fewer indices than this: every material of five pieces does, none of six.
constexpr uint64_t BitbaseIndexLimit = 3435973837;

// One index entry as stored: bytes 0..3 the block's offset (little-endian), byte 4
// the length code.
struct IndexEntry {
    uint8_t bytes[IndexEntryBytes];

    // Bytes 1..3 all 0xFF: every byte of the block equals byte 0; nothing is stored.
    bool uniform() const { return bytes[1] == 0xFF && bytes[2] == 0xFF && bytes[3] == 0xFF; }
    uint8_t fill() const { return bytes[0]; }
    uint32_t offset() const {
        return bytes[0] | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
    }
    int lengthCode() const { return bytes[4]; }
};
static_assert(sizeof(IndexEntry) == IndexEntryBytes);

// Length code 0 is an uncompressed block; 1..124 a compressed block of exactly that
// many bytes; above, three lengths share a code and the reader takes the longest.
constexpr int lengthCodeFor(int compressedBytes) {
    return compressedBytes <= 125 ? compressedBytes : 125 + (compressedBytes - 125) / 3;
}
constexpr int bytesToRead(int lengthCode) {
    return lengthCode == 0 ? 512 : lengthCode <= 124 ? lengthCode : 3 * lengthCode - 248;
}
// The shortest stream a length code stands for; bytesToRead is the longest.
constexpr int shortestStream(int lengthCode) {
    return lengthCode <= 124 ? bytesToRead(lengthCode) : 3 * lengthCode - 250;
}

std::string bitbaseFileName(const char* materialName);  // name + ".abb"

// What a file's own index says of it. In a sound file the index is complete, the
// stored blocks follow one another from the index's end to the three closing zero
// bytes, every shared entry repeats an earlier block's offset and length code, and
// uniform entries have length code 0.
enum class BitbaseFileFault {
    None,
    IndexCutShort,   // the file ends inside its index
    NoClosingZeros,  // the last three bytes are not zero
    BadEntry,        // some block's data lies outside the block data, or out of place
    TrailingData,    // bytes follow the last block
};

struct BitbaseFileCheck {
    BitbaseFileFault fault = BitbaseFileFault::None;
    std::vector<IndexEntry> entries;  // as read; fewer than the blocks when cut short
    std::vector<bool> badEntries;     // one per entry read
};

// Checks an open file of `blocks` index entries (it reads from the start).
BitbaseFileCheck checkBitbaseFile(std::FILE* file, uint64_t blocks);
const char* describeFault(BitbaseFileFault fault);

// Reads block `block` (indices 4096 * block ..) of an open bitbase file into out[0..511].
// False on a failed seek or read, a short uncompressed block or a corrupt compressed
// one; out may then hold anything.
bool readBitbaseBlock(std::FILE* file, uint32_t block, uint8_t* out);

// The same for a file by name; the file is closed again in every case.
bool readBitbaseBlock(const std::string& path, uint32_t block, uint8_t* out);

}  // namespace tolvaren
