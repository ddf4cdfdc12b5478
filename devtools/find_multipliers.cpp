// Searches the per-square multiplier pairs of the bishop and rook attack records
// (two 32-bit products XORed, shifted by 23 or 20) and prints them as the C++
// table src/board/slider_multipliers.h. Run once; the output is committed so the
// engine never searches at start-up. Fixed seed: the same output every run.
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using Bitboard = uint64_t;

constexpr int BishopDirs[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
constexpr int RookDirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

// Attacks traced square by square; edge squares are left out of the mask.
Bitboard trace(int square, Bitboard occ, const int (*dirs)[2], bool forMask) {
    Bitboard result = 0;
    const int f0 = square & 7, r0 = square >> 3;
    for (int d = 0; d < 4; ++d) {
        int f = f0 + dirs[d][0], r = r0 + dirs[d][1];
        while (f >= 0 && f < 8 && r >= 0 && r < 8) {
            if (forMask) {
                const int nf = f + dirs[d][0], nr = r + dirs[d][1];
                if (nf < 0 || nf > 7 || nr < 0 || nr > 7) break;
            }
            result |= Bitboard{1} << (8 * r + f);
            if (occ & (Bitboard{1} << (8 * r + f))) break;
            f += dirs[d][0];
            r += dirs[d][1];
        }
    }
    return result;
}

uint64_t rngState = 0x9E3779B97F4A7C15ULL;
uint32_t next32() {
    rngState ^= rngState << 13;
    rngState ^= rngState >> 7;
    rngState ^= rngState << 17;
    return static_cast<uint32_t>(rngState >> 16);
}
uint32_t sparse32() { return next32() & next32() & next32(); }

struct Pair {
    uint32_t low, high;
};

Pair search(int square, const int (*dirs)[2], int shift) {
    const Bitboard mask = trace(square, 0, dirs, true);
    std::vector<Bitboard> subsets, attacks;
    Bitboard sub = 0;
    do {
        subsets.push_back(sub);
        attacks.push_back(trace(square, sub, dirs, false));
        sub = (sub - mask) & mask;
    } while (sub);
    const size_t size = size_t{1} << (32 - shift);
    std::vector<Bitboard> table(size);
    std::vector<uint32_t> stamp(size, 0);
    for (uint32_t attempt = 1;; ++attempt) {
        const Pair p{sparse32(), sparse32()};
        bool ok = true;
        for (size_t i = 0; i < subsets.size() && ok; ++i) {
            const uint32_t lo = static_cast<uint32_t>(subsets[i]);
            const uint32_t hi = static_cast<uint32_t>(subsets[i] >> 32);
            const uint32_t index = ((lo * p.low) ^ (hi * p.high)) >> shift;
            if (stamp[index] != attempt) {
                stamp[index] = attempt;
                table[index] = attacks[i];
            } else if (table[index] != attacks[i]) {
                ok = false;
            }
        }
        if (ok) return p;
    }
}

void emit(const char* name, const int (*dirs)[2], int shift) {
    std::printf("constexpr MultiplierPair %s[64] = {\n", name);
    for (int sq = 0; sq < 64; ++sq) {
        const Pair p = search(sq, dirs, shift);
        std::printf("    {0x%08XU, 0x%08XU},\n", p.low, p.high);
        std::fflush(stdout);
    }
    std::printf("};\n\n");
}

}  // namespace

int main() {
    std::printf(
        "// Multipliers of the bishop and rook attack records, found by devtools/find_multipliers.\n"
        "// Generated file: rerun the tool instead of editing by hand.\n"
        "#pragma once\n\n#include <cstdint>\n\nnamespace tolvaren {\n\n"
        "struct MultiplierPair {\n    uint32_t low, high;\n};\n\n");
    emit("BishopMultipliers", BishopDirs, 23);
    emit("RookMultipliers", RookDirs, 20);
    std::printf("}  // namespace tolvaren\n");
}
