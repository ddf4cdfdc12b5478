#include "bitbase/explain.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "bitbase/bitbase_file.h"
#include "bitbase/bitbase_position.h"
#include "bitbase/block_decoding.h"

namespace tolvaren {

namespace {

constexpr size_t NameBufferSize = 1024;

// Prints one line per code as the decoder meets it; a failing code's line comes before
// the "Fehler" line, so the bad code can be seen.
struct DumpLines {
    std::FILE* out;

    void header(uint8_t byte, int marker, uint8_t w0, uint8_t w1) {
        std::fprintf(out, "   0: %02x       Markierung %02x..%02x; Wdh0=0x%02x, Wdh1=0x%02x\n",
                     marker * 16 + (byte & 1), marker * 16, marker * 16 + 15, w0, w1);
    }

    void code(const BlockCodeInfo& c) {
        const int pos = c.pos, code = c.bytes[0], b1 = c.bytes[1], b2 = c.bytes[2];
        switch (c.kind) {
            case BlockCode::Literal:
                std::fprintf(out, "%4d: %02x\n", pos, code);
                break;
            case BlockCode::MarkedLiteral:
                std::fprintf(out, "%4d: %02x %02x    Markiertes Zeichen 0x%02x\n", pos, code, b1, c.value);
                break;
            case BlockCode::ShortCopyA:
            case BlockCode::ShortCopyB:
                std::fprintf(out, "%4d: %02x %02x    kurze Kopie (%c): %d Zeichen ab Position %d\n", pos,
                             code, b1, c.kind == BlockCode::ShortCopyA ? 'a' : 'b', c.length, c.source);
                break;
            case BlockCode::LongCopy:
                std::fprintf(out, "%4d: %02x %02x %02x lange Kopie: %d Zeichen ab Position %d\n", pos, code,
                             b1, b2, c.length, c.source);
                break;
            case BlockCode::RunW0Long:
                std::fprintf(out, "%4d: %02x %02x    Wiederholung 0b (0x%02x), L\xe4nge %d\n", pos, code, b1,
                             c.value, c.length);
                break;
            case BlockCode::SuccessorChain:
                std::fprintf(out, "%4d: %02x %02x    letzte/vorletzte Nachfolger (0x%02x), L\xe4nge %d\n",
                             pos, code, b1, b1, c.length);
                break;
            case BlockCode::FourSuccessors:
                std::fprintf(out, "%4d: %02x %02x    letzte 4 Nachfolger\n", pos, code, b1);
                break;
            case BlockCode::ThreeBytes:
                std::fprintf(out, "%4d: %02x %02x    genau 3 Zeichen Wiederholung (0x%02x)\n", pos, code, b1,
                             b1);
                break;
            case BlockCode::RunOfByte:
                std::fprintf(out, "%4d: %02x %02x %02x Wiederholung (0x%02x), L\xe4nge %d\n", pos, code, b1,
                             b2, b2, c.length);
                break;
            case BlockCode::RunW1:
                std::fprintf(out, "%4d: %02x %02x    Wiederholung 1 (0x%02x), L\xe4nge %d\n", pos, code, b1,
                             c.value, c.length);
                break;
            case BlockCode::RunW0Short:
                std::fprintf(out, "%4d: %02x       Wiederholung 0a (0x%02x), L\xe4nge %d\n", pos, code,
                             c.value, c.length);
                break;
        }
    }

    void failure(int pos) { std::fprintf(out, "%4d: Fehler\n", pos); }
    void complete(int used) { std::fprintf(out, "%4d: komprimiert zu %d Bytes\n", BlockBytes, used); }
};

void listIndex(std::FILE* out, const BitbaseFileCheck& check, size_t expected) {
    std::fputs("#################\n###   Index   ###\n#################\n\n", out);
    bool seen = false;
    uint32_t largest = 0;
    for (size_t k = 0; k < check.entries.size(); ++k) {
        const IndexEntry& e = check.entries[k];
        const bool bad = check.badEntries[k];
        const uint8_t* b = e.bytes;
        std::fprintf(out, "%8ld: %02x %02x %02x %02x %02x ", static_cast<long>(k), b[0], b[1], b[2], b[3],
                     b[4]);
        if (e.uniform()) {
            // Any fill byte is shown as it is read: the block is that byte throughout.
            std::fprintf(out, "%02x .. %02x%s\n", e.fill(), e.fill(), bad ? " Fehler" : "");
            continue;
        }
        const int c = e.lengthCode();
        std::fprintf(out, "Position %02x%02x%02x%02x ", b[3], b[2], b[1], b[0]);
        if (c == 0)
            std::fputs("512", out);
        else if (c > 124)
            std::fprintf(out, "%d..%d", (c - 125) * 3 + 125, (c - 125) * 3 + 127);
        else
            std::fprintf(out, "%d", c);
        std::fputs(" Bytes", out);
        if (bad) {
            // A damaged entry neither repeats a block nor moves the offsets on.
            std::fputs(" Fehler\n", out);
            continue;
        }
        if (seen && e.offset() <= largest) std::fputs(" Wiederholung", out);
        if (!seen || e.offset() > largest) largest = e.offset();
        seen = true;
        std::fputc('\n', out);
    }
    // An index cut short by the file's end: say where it stops.
    if (check.entries.size() < expected)
        std::fprintf(out, "%8ld: Fehler\n", static_cast<long>(check.entries.size()));
}

// False when some stored block cannot be decoded.
bool dumpBlocks(std::FILE* out, std::FILE* in, const BitbaseFileCheck& check) {
    bool decoded = true;
    bool seen = false;
    uint32_t largest = 0;
    for (size_t k = 0; k < check.entries.size(); ++k) {
        const IndexEntry& e = check.entries[k];
        const bool bad = check.badEntries[k];
        if (e.uniform() || (!bad && seen && e.offset() <= largest)) continue;
        std::fprintf(out,
                     "\n##########################\n###   Block %-8ld   ###\n##########################\n\n",
                     static_cast<long>(k));
        if (bad) {
            // Its data lies outside the file's blocks: there is nothing to decode.
            std::fputs("   0: Fehler\n", out);
            continue;
        }
        seen = true;
        largest = e.offset();
        if (e.lengthCode() == 0) {
            std::fputs("unkomprimierte Daten\n", out);
            continue;
        }
        uint8_t stream[bytesToRead(255)];
        size_t got = 0;
        if (e.offset() <= static_cast<uint32_t>(LONG_MAX) &&
            std::fseek(in, static_cast<long>(e.offset()), SEEK_SET) == 0)
            got = std::fread(stream, 1, static_cast<size_t>(bytesToRead(e.lengthCode())), in);
        uint8_t block[BlockBytes];
        DumpLines lines{out};
        if (decodeBlockObserved(stream, got, block, lines) < 0) decoded = false;
    }
    return decoded;
}

}  // namespace

int explainBitbase(const char* materialName, const std::string& directory, std::FILE* err) {
    if (std::strlen(materialName) + 4 >= NameBufferSize) return 0;
    BitbaseStellung_t material;
    if (!material.setMaterial(materialName)) return 0;
    const std::string base = directory + "/" + materialName;
    const std::string bitbasePath = base + ".abb";
    std::FILE* in = std::fopen(bitbasePath.c_str(), "rb");
    if (in == nullptr) return 0;
    const std::string textPath = base + ".txt";
    std::FILE* out = std::fopen(textPath.c_str(), "w");
    if (out == nullptr) {
        std::fclose(in);
        return 0;
    }

    const size_t expected = static_cast<size_t>(bitbaseBlockCount(material.size));
    const BitbaseFileCheck check = checkBitbaseFile(in, expected);
    listIndex(out, check, expected);
    const bool decoded = dumpBlocks(out, in, check);

    std::fclose(in);
    const bool written = !std::ferror(out);
    if (std::fclose(out) != 0 || !written) std::remove(textPath.c_str());
    if (check.fault == BitbaseFileFault::None && decoded) return 0;
    std::fprintf(
        err, "damaged bitbase file: %s (%s)\n", bitbasePath.c_str(),
        check.fault != BitbaseFileFault::None ? describeFault(check.fault) : "a block does not decode");
    std::fflush(err);
    return 1;
}

}  // namespace tolvaren
