#include "bitbase/bitbase_file.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

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

BitbaseFileCheck checkBitbaseFile(std::FILE* file, uint64_t blocks) {
    BitbaseFileCheck check;
    const uint64_t indexBytes = blocks * IndexEntryBytes;
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    if (end < 0 || !seekTo(file, 0)) {
        check.fault = BitbaseFileFault::IndexCutShort;
        return check;
    }
    const uint64_t fileBytes = static_cast<uint64_t>(end);
    check.entries.resize(static_cast<size_t>(std::min(blocks, fileBytes / IndexEntryBytes)));
    check.entries.resize(std::fread(check.entries.data(), IndexEntryBytes, check.entries.size(), file));
    check.badEntries.assign(check.entries.size(), false);
    auto fail = [&](BitbaseFileFault fault) {
        if (check.fault == BitbaseFileFault::None) check.fault = fault;
    };
    if (check.entries.size() < blocks) fail(BitbaseFileFault::IndexCutShort);

    uint8_t closing[TrailingZeroBytes] = {1, 1, 1};
    if (fileBytes >= indexBytes + TrailingZeroBytes && seekTo(file, fileBytes - TrailingZeroBytes))
        std::fread(closing, 1, TrailingZeroBytes, file);
    if (closing[0] != 0 || closing[1] != 0 || closing[2] != 0) fail(BitbaseFileFault::NoClosingZeros);
    const uint64_t dataEnd = fileBytes >= indexBytes + TrailingZeroBytes ? fileBytes - TrailingZeroBytes : 0;

    // Blocks stored so far, by rising offset; the next one starts where the last ended
    // (within the two bytes a shared length code leaves open).
    std::vector<std::pair<uint32_t, int>> stored;
    uint64_t nextLow = indexBytes, nextHigh = indexBytes;
    for (size_t k = 0; k < check.entries.size(); ++k) {
        const IndexEntry& e = check.entries[k];
        bool bad;
        if (e.uniform()) {
            bad = e.lengthCode() != 0;
        } else {
            const uint64_t offset = e.offset();
            const int code = e.lengthCode();
            if (offset < indexBytes || offset + shortestStream(code) > dataEnd) {
                bad = true;
            } else if (stored.empty() || offset > stored.back().first) {
                bad = offset < nextLow || offset > nextHigh;
                if (!bad) {
                    stored.emplace_back(static_cast<uint32_t>(offset), code);
                    nextLow = offset + shortestStream(code);
                    nextHigh = offset + bytesToRead(code);
                }
            } else {
                const auto at = std::lower_bound(stored.begin(), stored.end(),
                                                 std::pair{static_cast<uint32_t>(offset), 0});
                bad = at == stored.end() || at->first != offset || at->second != code;
            }
        }
        check.badEntries[k] = bad;
        if (bad) fail(BitbaseFileFault::BadEntry);
    }
    if (dataEnd < nextLow || dataEnd > nextHigh) fail(BitbaseFileFault::TrailingData);
    return check;
}

const char* describeFault(BitbaseFileFault fault) {
    switch (fault) {
        case BitbaseFileFault::None:
            return "sound";
        case BitbaseFileFault::IndexCutShort:
            return "the file ends inside its index";
        case BitbaseFileFault::NoClosingZeros:
            return "the three closing zero bytes are missing";
        case BitbaseFileFault::BadEntry:
            return "block data outside the file or out of place";
        case BitbaseFileFault::TrailingData:
            return "bytes follow the last block";
    }
    return "damaged";
}

bool readBitbaseBlock(const std::string& path, uint32_t block, uint8_t* out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const bool ok = readBitbaseBlock(file, block, out);
    std::fclose(file);
    return ok;
}

}  // namespace tolvaren
