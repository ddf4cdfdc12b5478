// Piece activity and threats: per-side mobility (which also sums the side's attack
// weight against the enemy king ring for king safety) and the piece placement terms
// (outposts, seventh rank, trapped bishop, passer support, hanging pieces, pins).
#pragma once

#include "eval/score.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;
struct BauernEintrag_t;

// Mobility of `side`'s knights, bishops, rooks and queens (knight square table
// included). Adds the side's attack weight against the enemy king ring to
// `kingAttackWeight`.
Wert_t mobility(const Stellung_t& pos, const Zustand_t& state, int side, int& kingAttackWeight);

// The placement and threat terms of one side, from that side's view.
Wert_t pieceTermsOfSide(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns,
                        int side);

// White minus Black of pieceTermsOfSide.
Wert_t pieceTerms(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns);

}  // namespace tolvaren
