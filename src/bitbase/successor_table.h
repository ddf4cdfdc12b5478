// The successor table of the block compression: for every byte value the four most
// recent distinct bytes that followed it in a block's output. The decoder and the
// encoder keep identical copies, so successor codes can name bytes by rank.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace tolvaren {

// Entry c packs S[c][0..3] into one word, most recent successor in the low byte.
struct SuccessorTable {
    uint32_t entry[256];

    static constexpr std::array<uint32_t, 256> initial(uint8_t w0) {
        std::array<uint32_t, 256> t{};
        const uint32_t w1 = w0 ^ 0xFFu;
        for (uint32_t c = 0; c < 256; ++c) t[c] = c | w1 << 8 | (w0 ^ 0x01u) << 16 | (w0 ^ 0x80u) << 24;
        // Three seeded entries; the first names byte 0 for either W0 as stored files do.
        t[0] = (t[0] & ~0xFFu) | (w0 ^ 0x81u);
        const uint32_t second = w0 ^ 0x01u, third = w0 ^ 0x80u;
        t[second] = (t[second] & ~0xFF0000u) | (w0 ^ 0x03u) << 16;
        t[third] = (t[third] & ~0xFF000000u) | (w0 ^ 0xC0u) << 24;
        return t;
    }

    void reset(uint8_t w0) {
        static constexpr std::array<uint32_t, 256> Zero = initial(0x00), Ones = initial(0xFF);
        std::memcpy(entry, (w0 == 0 ? Zero : Ones).data(), sizeof entry);
    }

    uint8_t get(uint8_t c, int rank) const { return static_cast<uint8_t>(entry[c] >> (8 * rank)); }

    // Records that b followed p: b moves to the front, the entries before its old rank
    // (or all, when it was not among the first three) shift down behind it. Branch-free:
    // the rank is the lowest zero byte of the entry XOR b.
    void update(uint8_t p, uint8_t b) {
        static constexpr uint32_t Kept[5] = {0xFFFFFFFFu, 0xFFFF0000u, 0xFF000000u, 0, 0};
        const uint32_t w = entry[p];
        const uint32_t x = w ^ (b * 0x01010101u);
        const uint32_t zero = (x - 0x01010101u) & ~x & 0x80808080u;
        const uint32_t kept = Kept[std::countr_zero(zero) >> 3];
        entry[p] = (w & kept) | ((w << 8 | b) & ~kept);
    }

    // Rank 0..3 of b among c's successors, or -1.
    int rankOf(uint8_t c, uint8_t b) const {
        const uint32_t w = entry[c];
        for (int k = 0; k < 4; ++k)
            if (((w >> (8 * k)) & 0xFF) == b) return k;
        return -1;
    }
};

}  // namespace tolvaren
