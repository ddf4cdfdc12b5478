#include "board/attack_tables.h"

#include "board/large_pages.h"
#include "board/slider_multipliers.h"

namespace tolvaren {

// Aligned so that its large-page advice below covers as much of it as possible.
alignas(LargePageBytes) Angriffstabellen_t attackTables;

namespace {

// File and rank steps of the eight directions, in Direction order (rank index grows
// toward rank 1, as square numbers do).
constexpr int DirFile[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int DirRow[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr Direction BishopDirections[4] = {NorthEast, SouthEast, SouthWest, NorthWest};
constexpr Direction RookDirections[4] = {North, East, South, West};

bool onBoard(int file, int row) {
    return file >= 0 && file < 8 && row >= 0 && row < 8;
}

// Attacks traced along the given directions, stopping at the first occupied square.
Bitboard traceAttacks(int square, Bitboard occupancy, const Direction (&dirs)[4]) {
    Bitboard result = 0;
    for (Direction d : dirs) {
        int f = fileOf(square) + DirFile[d], r = (square >> 3) + DirRow[d];
        for (; onBoard(f, r); f += DirFile[d], r += DirRow[d]) {
            result |= bit(8 * r + f);
            if (occupancy & bit(8 * r + f)) break;
        }
    }
    return result;
}

// The relevance mask: the same rays without their last (edge) square.
Bitboard relevanceMask(int square, const Direction (&dirs)[4]) {
    Bitboard result = 0;
    for (Direction d : dirs) {
        int f = fileOf(square) + DirFile[d], r = (square >> 3) + DirRow[d];
        for (; onBoard(f + DirFile[d], r + DirRow[d]); f += DirFile[d], r += DirRow[d])
            result |= bit(8 * r + f);
    }
    return result;
}

void buildSliders(SliderRecord* records, Bitboard* array, int entriesPerSquare, int shift,
                  const MultiplierPair* multipliers, const Direction (&dirs)[4]) {
    for (int sq = 0; sq < 64; ++sq) {
        SliderRecord& r = records[sq];
        r.mask = relevanceMask(sq, dirs);
        r.multiplierLow = multipliers[sq].low;
        r.multiplierHigh = multipliers[sq].high;
        r.attacks = array + sq * entriesPerSquare;
        Bitboard subset = 0;
        do {  // every subset of the mask (carry-rippler)
            array[sq * entriesPerSquare + sliderIndex(r, subset, shift)] = traceAttacks(sq, subset, dirs);
            subset = (subset - r.mask) & r.mask;
        } while (subset);
    }
}

Bitboard stepSet(int square, const int (*steps)[2], int n) {
    Bitboard result = 0;
    for (int i = 0; i < n; ++i) {
        const int f = fileOf(square) + steps[i][0], r = (square >> 3) + steps[i][1];
        if (onBoard(f, r)) result |= bit(8 * r + f);
    }
    return result;
}

}  // namespace

void buildAttackTables() {
    static bool built = false;
    if (built) return;
    built = true;
    Angriffstabellen_t& t = attackTables;
    // Every slider look-up reads the 2.3 MB of attack arrays at random; asked before the
    // first write, the kernel backs them with huge pages where it can.
    adviseLargePages(&t, sizeof t);

    buildSliders(t.bishop, t.bishopArray, 512, BishopShift, BishopMultipliers, BishopDirections);
    buildSliders(t.rook, t.rookArray, 4096, RookShift, RookMultipliers, RookDirections);

    constexpr int KingSteps[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    constexpr int KnightSteps[8][2] = {{-2, -1}, {-2, 1}, {2, -1}, {2, 1},
                                       {-1, -2}, {1, -2}, {-1, 2}, {1, 2}};
    constexpr int WhitePawnSteps[2][2] = {{-1, -1}, {1, -1}};
    constexpr int BlackPawnSteps[2][2] = {{-1, 1}, {1, 1}};
    for (int sq = 0; sq < 64; ++sq) {
        t.king[sq] = stepSet(sq, KingSteps, 8);
        t.knight[sq] = stepSet(sq, KnightSteps, 8);
        t.pawnCaptures[White][sq] = stepSet(sq, WhitePawnSteps, 2);
        t.pawnCaptures[Black][sq] = stepSet(sq, BlackPawnSteps, 2);
        for (int d = 0; d < 8; ++d) {
            Bitboard r = 0;
            int f = fileOf(sq) + DirFile[d], row = (sq >> 3) + DirRow[d];
            for (; onBoard(f, row); f += DirFile[d], row += DirRow[d]) {
                const int to = 8 * row + f;
                t.between[sq][to] = r;  // the squares passed before reaching `to`
                r |= bit(to);
            }
            t.ray[sq][d] = r;
        }
    }
    for (int a = 0; a < 64; ++a)
        for (int d = 0; d < 8; ++d) {
            const Bitboard full = t.ray[a][d] | t.ray[a][(d + 4) & 7] | bit(a);
            for (Bitboard b = t.ray[a][d]; b;) t.line[a][popLowest(b)] = full;
        }

    for (int i = 0; i < 65536; ++i)
        t.popCount16[i] = static_cast<uint8_t>(std::popcount(static_cast<unsigned>(i)));
    t.lsbByte[0] = 8;
    for (int i = 1; i < 256; ++i)
        t.lsbByte[i] = static_cast<uint8_t>(std::countr_zero(static_cast<unsigned>(i)));
    for (int sq = 0; sq < 64; ++sq) {
        const Bitboard b = bit(sq) ^ (bit(sq) - 1);  // the bit and all below it
        const uint32_t folded = static_cast<uint32_t>(b) ^ static_cast<uint32_t>(b >> 32);
        t.lsbFolded[(folded * 0x78291ACFu) >> 26] = static_cast<uint8_t>(sq);
    }
}

int lowestSquareByTable(Bitboard b) {
    b ^= b - 1;
    const uint32_t folded = static_cast<uint32_t>(b) ^ static_cast<uint32_t>(b >> 32);
    return attackTables.lsbFolded[(folded * 0x78291ACFu) >> 26];
}

}  // namespace tolvaren
