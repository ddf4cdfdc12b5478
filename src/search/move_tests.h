// Small move tests shared by the node search and the split-point search: which moves
// are special, and whether a move answers the threat the null move revealed.
#pragma once

#include "board/move.h"
#include "board/position.h"

namespace tolvaren {

// Promotions, castling and e.p. captures.
inline bool isSpecial(Zug_t move) { return moveKind(move) >= ZugUmwSpringer; }

// Does the move take away something of what the null move's refutation aimed at?
inline bool parriesThreat(Bitboard threat, const Angriffe_t& before, const Angriffe_t& after) {
    if (!threat) return false;
    return (threat & before.attacked & ~after.attacked) || (threat & before.attackedTwice & ~after.attackedTwice) ||
           (threat & before.pawnAttacks & ~after.pawnAttacks) || (threat & before.threats & ~after.threats);
}

}  // namespace tolvaren
