// The king-and-pawn-against-king table (`KPKTabelle_t`): every placement of a lone
// pawn with both kings, solved once at start-up by retrograde analysis. The endgame
// recognizers read it through probeKPK; nothing writes it afterwards.
#pragma once

#include <cstdint>

namespace tolvaren {

struct KPKTabelle_t {
    static constexpr int PawnSquares = 24;        // files a to d, ranks 7 down to 2
    static constexpr int SliceSize = 8192;        // per pawn square
    static constexpr int StrongToMove = 4096;     // added when the pawn's side moves
    static constexpr int8_t Illegal = 127;
    static constexpr int8_t Draw = 126;
    static constexpr int8_t LongestWin = 125;

    // Start of the pawn square's slice, -1 where the table keeps no pawn.
    int32_t pawnOffset[64];
    // Index: pawnOffset[pawn] + StrongToMove (if so) + strong king + 64 * weak king,
    // squares seen from the pawn's side (pawn moving toward rank 8). Values 1..125
    // are wins (plies to a safe promotion), 126 a draw, 127 an illegal placement.
    int8_t entries[PawnSquares * SliceSize];
};

extern KPKTabelle_t kpkTable;

// Fills kpkTable; runs at start-up (static initialiser), later calls return at once.
void buildKPKTable();

// Plies to a safe promotion for the pawn's side, or -1 for a draw (127 for a placement
// that cannot occur). Squares from the pawn's side; a pawn on files e to h is mirrored.
// The pawn must stand on ranks 2 to 7; anything else answers -1.
int probeKPK(bool strongToMove, int strongKing, int weakKing, int pawn);

}  // namespace tolvaren
