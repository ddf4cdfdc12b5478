// One position of one bitbase material (`BitbaseStellung_t`) and the mapping between
// such positions and the indices of the material's bit array. The bitbase files, the
// explanation, the block cache and the generator all address bits through it.
#pragma once

#include <cstdint>

namespace tolvaren {

constexpr int MaxBitbasePieces = 6;
// A type with this flag added marks the piece as captured (absent); on piece 0 it
// marks the whole position as invalid.
constexpr int32_t AbsentFlag = 8;

struct BitbaseFigur_t {
    int32_t type;    // 1 pawn .. 6 king, plus AbsentFlag
    int32_t square;  // a8 = 0 .. h1 = 63
};

// Pieces are kept in name order: side 0's king and pieces, then side 1's. Side 0
// plays the role of White: its pawns move toward row 0.
struct BitbaseStellung_t {
    int32_t sideToMove;
    int32_t count[2];  // pieces per side, kings included
    int32_t first;     // always 0
    int32_t endSide0;  // equal to count[0]
    int32_t totalCopy;
    int32_t total;        // the one the index functions use
    int8_t epSquare;      // capture square for the side to move; -1 (or 0) when none
    int32_t specialPawn;  // name position of the pawn that carries the symmetry; -1 without pawns
    BitbaseFigur_t pieces[MaxBitbasePieces];
    char name[MaxBitbasePieces + 1];
    uint8_t pairMark[MaxBitbasePieces];  // both members of every 11-bit pair
    uint64_t size;                       // indices of the material (positions x sides to move)

    // Fills the material part from a name such as "KDK" or "KTBKT"; squares are 0 and
    // nothing is absent. False for a malformed name (the record is then unusable).
    bool setMaterial(const char* materialName);

    // Fills from piece lists (each ended by type 0 or by six entries, king first); the
    // name is the letters of the types in list order. An e.p. square below 1 is none.
    bool setPieces(const int* types0, const int* squares0, const int* types1, const int* squares1, int side,
                   int ep);

    // Index of the position; uses the pawn variant when the material has pawns.
    uint64_t index() const;

    // Writes the canonical position of an index: squares, side to move, e.p. square,
    // absent pieces (type + AbsentFlag) and the invalid mark (AbsentFlag on piece 0).
    void setIndex(uint64_t index);

    bool invalid() const { return pieces[0].type >= AbsentFlag; }
    bool absent(int piece) const { return pieces[piece].type >= AbsentFlag; }
    int baseType(int piece) const { return pieces[piece].type & 7; }
    int sideOf(int piece) const { return piece >= endSide0 ? 1 : 0; }
    bool hasEp() const { return epSquare >= 1; }
};

// Number of 4096-index blocks of a material; the last one may be partly unused.
constexpr uint64_t bitbaseBlockCount(uint64_t size) {
    return (size + 4095) / 4096;
}

}  // namespace tolvaren
