#include "bitbase/bitbase_file.h"

#include <climits>
#include <cstring>

#include "bitbase/block_codec.h"

namespace tolvaren {

namespace {

bool seekTo(std::FILE* file, uint64_t offset) {
    return offset <= static_cast<uint64_t>(LONG_MAX) &&
           std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

}  // namespace

std::string bitbaseFileName(const char* materialName) {
    return std::string(materialName) + ".abb";
}

bool readBitbaseBlock(std::FILE* file, uint32_t block, uint8_t* out) {
    IndexEntry entry;
    if (!seekTo(file, uint64_t{block} * IndexEntryBytes) ||
        std::fread(entry.bytes, 1, IndexEntryBytes, file) != IndexEntryBytes)
        return false;
    if (entry.uniform()) {
        std::memset(out, entry.fill(), BlockBytes);
        return true;
    }
    if (!seekTo(file, entry.offset())) return false;
    if (entry.lengthCode() == 0) return std::fread(out, 1, BlockBytes, file) == BlockBytes;

    // The longest reading of a shared length code may run up to two bytes past the
    // stream; near a damaged file's end fewer bytes come back, and the decoder then
    // fails only if it really needs them.
    uint8_t stream[bytesToRead(255)];
    const size_t got = std::fread(stream, 1, static_cast<size_t>(bytesToRead(entry.lengthCode())), file);
    return got > 0 && decodeBlock(stream, got, out) > 0;
}

bool readBitbaseBlock(const std::string& path, uint32_t block, uint8_t* out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const bool ok = readBitbaseBlock(file, block, out);
    std::fclose(file);
    return ok;
}

}  // namespace tolvaren
