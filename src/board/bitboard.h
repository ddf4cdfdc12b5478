// Bitboards: 64-bit square sets (bit i = square i, a8 = 0 ... h1 = 63) and the
// small helpers every board, search and evaluation routine uses on them.
#pragma once

#include <bit>
#include <cstdint>

namespace tolvaren {

using Bitboard = uint64_t;

constexpr int White = 0;
constexpr int Black = 1;

// Piece types; index 0 of a side's arrays stands for all its pieces.
constexpr int AllPieces = 0;
constexpr int Pawn = 1;
constexpr int Knight = 2;
constexpr int Bishop = 3;
constexpr int Rook = 4;
constexpr int Queen = 5;
constexpr int King = 6;

// German piece letters by type, as used in file names and tables.
constexpr const char* PieceLettersGerman = "-BSLTDK";

constexpr Bitboard LightSquares = 0xAA55AA55AA55AA55ULL;
constexpr Bitboard FileA = 0x0101010101010101ULL;
constexpr Bitboard FileH = FileA << 7;
constexpr Bitboard Rank8 = 0xFFULL;
constexpr Bitboard Rank1 = Rank8 << 56;

constexpr int squareOf(int file, int rank) { return 8 * (8 - rank) + file; }  // rank 1..8
constexpr int fileOf(int square) { return square & 7; }
constexpr int rankOf(int square) { return 8 - (square >> 3); }  // 1..8
constexpr Bitboard bit(int square) { return Bitboard{1} << square; }

inline int popCount(Bitboard b) { return std::popcount(b); }
inline int lowestSquare(Bitboard b) { return std::countr_zero(b); }
inline int popLowest(Bitboard& b) {
    const int s = std::countr_zero(b);
    b &= b - 1;
    return s;
}
constexpr bool moreThanOne(Bitboard b) { return (b & (b - 1)) != 0; }

// Mirrors a set vertically (rank 1 <-> rank 8), used by the colour flip.
constexpr Bitboard flipVertical(Bitboard b) {
    b = ((b >> 8) & 0x00FF00FF00FF00FFULL) | ((b & 0x00FF00FF00FF00FFULL) << 8);
    b = ((b >> 16) & 0x0000FFFF0000FFFFULL) | ((b & 0x0000FFFF0000FFFFULL) << 16);
    return (b >> 32) | (b << 32);
}

}  // namespace tolvaren
