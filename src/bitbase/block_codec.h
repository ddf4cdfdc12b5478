// Compression of one 512-byte bitbase block (4096 positions): a header byte with the
// marker nibble and the preferred run byte, then literals, copies, runs and successor
// codes. The block reader and the cache decode; the writer encodes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolvaren {

constexpr int BlockBytes = 512;
constexpr int BlockIndices = 8 * BlockBytes;
// Header plus every byte as a literal, the marked ones taking two bytes: the marker
// is the rarest high nibble, so at most a sixteenth of the bytes carry it.
constexpr int MaxCompressedBlockBytes = 1 + BlockBytes + BlockBytes / 16;

// Decodes a compressed stream of `length` bytes into out[0..511]. Returns the number
// of input bytes used (header included), or -1 when a code would write past the block,
// copy from before its start, or the input ends first. Bytes after the block's end
// are ignored.
int decodeBlock(const uint8_t* in, size_t length, uint8_t* out);

// Compresses block[0..511] into out (room for MaxCompressedBlockBytes); returns the
// compressed length. The stream is the shortest this encoder finds: each code is chosen
// by a shortest-path search over the block.
int compressBlock(const uint8_t* block, uint8_t* out);

}  // namespace tolvaren
