// Whole-board set operations the evaluation terms share: one-step shifts without
// wrapping, fills along files, king-step spreading, rank and file masks. The terms
// count sets with the 16-bit table (popCountByTable): without a popcount instruction
// in the baseline build (x86-64, 32-bit ARM) it measured faster than std::popcount.
#pragma once

#include "board/bitboard.h"

namespace tolvaren {

constexpr Bitboard rankMask(int rank) { return Rank8 << (8 * (8 - rank)); }  // rank 1..8
constexpr Bitboard fileMask(int file) { return FileA << file; }
// Rank as `color` sees it (its own back rank is 1).
constexpr Bitboard relativeRankMask(int color, int rank) { return rankMask(color == White ? rank : 9 - rank); }
constexpr int relativeRank(int color, int square) { return color == White ? rankOf(square) : 9 - rankOf(square); }

constexpr Bitboard towardH(Bitboard b) { return (b & ~FileH) << 1; }
constexpr Bitboard towardA(Bitboard b) { return (b & ~FileA) >> 1; }
constexpr Bitboard northOne(Bitboard b) { return b >> 8; }  // toward rank 8
constexpr Bitboard southOne(Bitboard b) { return b << 8; }  // toward rank 1
template <int Color>
constexpr Bitboard forwardOne(Bitboard b) { return Color == White ? b >> 8 : b << 8; }

constexpr Bitboard northFill(Bitboard b) {
    b |= b >> 8;
    b |= b >> 16;
    return b | (b >> 32);
}
constexpr Bitboard southFill(Bitboard b) {
    b |= b << 8;
    b |= b << 16;
    return b | (b << 32);
}
constexpr Bitboard fileFill(Bitboard b) { return northFill(b) | southFill(b); }

// Bit f set when file f holds a member of b.
constexpr uint8_t filesOf(Bitboard b) { return static_cast<uint8_t>(northFill(b) & 0xFF); }
constexpr Bitboard filesToSet(uint8_t files) { return Bitboard{files} * FileA; }

// Every square a king step away from some member of b (b itself not included).
constexpr Bitboard kingSpread(Bitboard b) {
    const Bitboard sides = towardA(b) | towardH(b);
    const Bitboard row = b | sides;
    return sides | (row >> 8) | (row << 8);
}

constexpr Bitboard Edges = FileA | FileH | Rank8 | Rank1;

}  // namespace tolvaren
