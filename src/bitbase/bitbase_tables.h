// Start-up tables of the bitbase code: the 2016 unordered square pairs behind the
// 11-bit pair codes of the index, and the bit-transition counts the writer uses to
// prefer smooth bytes. Both are computed at compile time.
#pragma once

#include <array>
#include <cstdint>

namespace tolvaren {

struct SquarePair {
    uint8_t low, high;
};

constexpr int SquarePairCount = 2016;  // 64 * 63 / 2; code 2016 and above: both pieces absent

constexpr std::array<SquarePair, SquarePairCount> makeSquarePairs() {
    std::array<SquarePair, SquarePairCount> table{};
    for (int b = 1; b < 64; ++b)
        for (int a = 0; a < b; ++a)
            table[b * (b - 1) / 2 + a] = {static_cast<uint8_t>(a), static_cast<uint8_t>(b)};
    return table;
}

// Entry b * (b - 1) / 2 + a holds (a, b) for a < b.
inline constexpr std::array<SquarePair, SquarePairCount> SquarePairs = makeSquarePairs();

constexpr int pairCode(int a, int b) {
    if (a == b) return SquarePairCount;
    if (a > b) {
        const int t = a;
        a = b;
        b = t;
    }
    return a + b * (b - 1) / 2;
}

constexpr std::array<uint32_t, 256> makeTransitionCounts() {
    std::array<uint32_t, 256> table{};
    for (int v = 0; v < 256; ++v) {
        int x = v ^ (2 * v);  // 9 bits: the top bit counts a step out of the byte
        uint32_t n = 0;
        for (; x != 0; x &= x - 1) ++n;
        table[v] = n;
    }
    return table;
}

// One-bits of v XOR (2 * v).
inline constexpr std::array<uint32_t, 256> TransitionCount = makeTransitionCounts();

}  // namespace tolvaren
