// The process-wide read-only attack tables (`Angriffstabellen_t`): slider attack
// records with the 32-bit two-multiplier index, king and knight sets, between sets,
// rays and bit-count tables. Move generation, make, evaluation and search read them.
#pragma once

#include <cstdint>

#include "board/bitboard.h"

namespace tolvaren {

// Ray directions; the step is the square difference of one move in that direction.
enum Direction : int { North, NorthEast, East, SouthEast, South, SouthWest, West, NorthWest };
constexpr int DirectionStep[8] = {-8, -7, 1, 9, 8, 7, -1, -9};

constexpr int BishopShift = 23;  // 9-bit index
constexpr int RookShift = 20;    // 12-bit index

struct SliderRecord {
    Bitboard mask;            // the rays from the square without the board edge
    uint32_t multiplierHigh;  // for the high 32 bits of (occupancy & mask)
    uint32_t multiplierLow;   // for the low 32 bits
    const Bitboard* attacks;  // into the attack array, indexed as in sliderIndex
};

struct Angriffstabellen_t {
    SliderRecord bishop[64];
    SliderRecord rook[64];
    Bitboard king[64];
    Bitboard knight[64];
    Bitboard between[64][64];  // squares strictly between two aligned squares, else empty
    Bitboard ray[64][8];       // from a square (excluded) to the edge, by Direction
    uint8_t popCount16[65536];
    uint8_t lsbByte[256];   // lowest set bit of a byte (8 for 0)
    uint8_t lsbFolded[64];  // lowest bit of a 64-bit set after folding to 32 bits
    // Beyond the classic set: the whole line through two aligned squares (empty if
    // not aligned) and pawn capture sets by colour, both for cheap legality tests.
    Bitboard line[64][64];
    Bitboard pawnCaptures[2][64];
    Bitboard bishopArray[64 * 512];
    Bitboard rookArray[64 * 4096];
};

// Zero-initialised storage, filled before any dynamic initialiser that includes this
// header runs (the init object below), so other start-up tables may already use it.
extern Angriffstabellen_t attackTables;

void buildAttackTables();
struct AttackTablesInit {
    AttackTablesInit() { buildAttackTables(); }  // builds once, later calls return at once
};
static AttackTablesInit attackTablesInit;

inline uint32_t sliderIndex(const SliderRecord& r, Bitboard occupancy, int shift) {
    const Bitboard m = occupancy & r.mask;
    return ((static_cast<uint32_t>(m) * r.multiplierLow) ^
            (static_cast<uint32_t>(m >> 32) * r.multiplierHigh)) >>
           shift;
}

inline Bitboard bishopAttacks(int square, Bitboard occupancy) {
    const SliderRecord& r = attackTables.bishop[square];
    return r.attacks[sliderIndex(r, occupancy, BishopShift)];
}
inline Bitboard rookAttacks(int square, Bitboard occupancy) {
    const SliderRecord& r = attackTables.rook[square];
    return r.attacks[sliderIndex(r, occupancy, RookShift)];
}
inline Bitboard queenAttacks(int square, Bitboard occupancy) {
    return bishopAttacks(square, occupancy) | rookAttacks(square, occupancy);
}
inline Bitboard knightAttacks(int square) {
    return attackTables.knight[square];
}
inline Bitboard kingAttacks(int square) {
    return attackTables.king[square];
}
// Squares a pawn of `color` on `square` attacks.
inline Bitboard pawnCaptures(int color, int square) {
    return attackTables.pawnCaptures[color][square];
}
inline Bitboard between(int a, int b) {
    return attackTables.between[a][b];
}
inline Bitboard lineThrough(int a, int b) {
    return attackTables.line[a][b];
}
inline Bitboard ray(int square, Direction d) {
    return attackTables.ray[square][d];
}

// Pieces of `owners` that stand alone between `king` and one of the sliders (`straight`:
// rooks and queens, `diagonal`: bishops and queens). With the king's own pieces as
// owners these are the pinned pieces; with the sliders' side's, the discovering ones.
inline Bitboard loneBlockers(int king, Bitboard straight, Bitboard diagonal, Bitboard occupancy,
                             Bitboard owners) {
    Bitboard result = 0;
    Bitboard snipers = (rookAttacks(king, 0) & straight) | (bishopAttacks(king, 0) & diagonal);
    while (snipers) {
        const Bitboard blockers = between(king, popLowest(snipers)) & occupancy;
        if (blockers && !moreThanOne(blockers) && (blockers & owners)) result |= blockers;
    }
    return result;
}

// Squares attacked by all pawns of a colour (no wrap across the a/h edge).
template <int Color>
constexpr Bitboard pawnAttacksTowardA(Bitboard pawns) {
    return Color == White ? (pawns & ~FileA) >> 9 : (pawns & ~FileA) << 7;
}
template <int Color>
constexpr Bitboard pawnAttacksTowardH(Bitboard pawns) {
    return Color == White ? (pawns & ~FileH) >> 7 : (pawns & ~FileH) << 9;
}
template <int Color>
constexpr Bitboard pawnAttacks(Bitboard pawns) {
    return pawnAttacksTowardA<Color>(pawns) | pawnAttacksTowardH<Color>(pawns);
}

// Table-driven counts and scans for readers that mirror 32-bit code; the engine itself
// uses popCount and lowestSquare from bitboard.h.
// Population count as the sum over the four 16-bit quarters.
inline int popCountByTable(Bitboard b) {
    const uint8_t* t = attackTables.popCount16;
    return t[b & 0xFFFF] + t[(b >> 16) & 0xFFFF] + t[(b >> 32) & 0xFFFF] + t[b >> 48];
}
int lowestSquareByTable(Bitboard b);  // b must not be empty

}  // namespace tolvaren
