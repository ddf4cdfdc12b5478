// Material tests shared by the node and quiescence searches and the move picker.
#pragma once

#include "board/position.h"

namespace tolvaren {

inline bool onlyKingsAndPawns(const Stellung_t& pos) {
    return pos.sides[White].count[AllPieces] - pos.sides[White].count[Pawn] == 1 &&
           pos.sides[Black].count[AllPieces] - pos.sides[Black].count[Pawn] == 1;
}

// Neither side can ever mate: no pawns, and a lone minor piece or only bishops on one colour.
inline bool insufficientMaterial(const Stellung_t& pos) {
    const Seite_t& w = pos.sides[White];
    const Seite_t& b = pos.sides[Black];
    if (w.count[Pawn] || b.count[Pawn]) return false;
    const int total = w.count[AllPieces] + b.count[AllPieces];
    if (total == 3 && w.count[Knight] + b.count[Knight] + w.count[Bishop] + b.count[Bishop] == 1) return true;
    const Bitboard bishops = w.pieces[Bishop] | b.pieces[Bishop];
    return total == 2 + popCount(bishops) && (!(bishops & LightSquares) || !(bishops & ~LightSquares));
}

}  // namespace tolvaren
