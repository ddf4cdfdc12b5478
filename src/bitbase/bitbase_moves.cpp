#include "bitbase/bitbase_moves.h"

namespace tolvaren {

bool legalBitbasePosition(const BitbaseStellung_t& p) {
    if (p.invalid()) return false;
    const int k0 = p.pieces[0].square, k1 = p.pieces[p.endSide0].square;
    if (k0 == k1 || (kingAttacks(k0) & bit(k1))) return false;
    Bitboard occupied = 0;
    int promotionPawns = 0;
    for (int i = 0; i < p.total; ++i) {
        if (p.absent(i)) continue;
        const int square = p.pieces[i].square;
        if (occupied & bit(square)) return false;
        occupied |= bit(square);
        if (p.baseType(i) != Pawn) continue;
        const int side = p.sideOf(i), row = square >> 3;
        if (row == 7 - promotionRow(side)) return false;
        if (row == promotionRow(side)) {
            // Only the side that has just moved can have a promotion pending.
            if (side == p.sideToMove) return false;
            ++promotionPawns;
        }
    }
    if (promotionPawns > 1) return false;
    if (p.hasEp()) {
        // The other side's last move must have been the double step past the e.p. square.
        if (promotionPawns > 0) return false;
        const int side = p.sideToMove, e = p.epSquare;
        if ((e >> 3) != (side == 0 ? 2 : 5)) return false;
        const int pawnSquare = e + pawnStep(1 - side), start = e - pawnStep(1 - side);
        if (occupied & (bit(e) | bit(start))) return false;
        bool found = false;
        for (int i = 0; i < p.total; ++i)
            found |= !p.absent(i) && p.sideOf(i) != side && p.baseType(i) == Pawn &&
                     p.pieces[i].square == pawnSquare;
        if (!found) return false;
    }
    return !kingAttacked(p, 1 - p.sideToMove, occupied);
}

}  // namespace tolvaren
