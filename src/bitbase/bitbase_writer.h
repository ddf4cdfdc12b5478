// The bitbase writer: turns the generator's three-valued results (2 bits per index:
// 3 win, 1 or 2 no win, 0 free) into a ".abb" file, choosing the free bits so that the
// blocks compress well, and storing uniform and repeated blocks without data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tolvaren {

constexpr int BlockValueBytes = 1024;  // 4096 indices at 2 bits each

// Fixes the bits of one block: values holds 1024 bytes of 2-bit results (index i at
// bits 2 * (i & 3) of byte i >> 2), out receives 512 bytes (bit i & 7 of byte i >> 3).
void chooseBlockBits(const uint8_t* values, uint8_t* out);

struct BitbaseFileStats {
    uint64_t blocks = 0;
    uint64_t uniformBlocks = 0;
    uint64_t sharedBlocks = 0;  // stored bytes equal to an earlier block's
    uint64_t rawBlocks = 0;     // did not compress below 512 bytes
    uint64_t fileBytes = 0;
};

// Writes the bitbase of `valueBytes` bytes of results (missing tail indices are free)
// to path. The file appears only once it is complete: it is written under a temporary
// name beside it and renamed. On failure "error writing file: <path>" goes to err and
// the result is false; an existing file of that name is left as it was.
bool writeBitbase(const std::string& path, const uint8_t* values, size_t valueBytes, std::FILE* err = stderr,
                  BitbaseFileStats* stats = nullptr);

}  // namespace tolvaren
