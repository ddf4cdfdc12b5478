// The two phase-gated king terms: king safety (midgame only; attack weights, shelter,
// open files, scaled by material) and king activity in the endgame (centralisation,
// reach, passer fronts, runaway passers). evaluate adds them to their halves.
#pragma once

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;
struct BauernEintrag_t;

// The danger value of one side's king before material scaling: square, doubly
// attacked ring squares, open file, pins, shelter, quadratic growth.
// `enemyAttackWeight` is what the enemy's mobility summed against this king.
int kingDanger(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns, int side,
               int enemyAttackWeight);

// Midgame king safety, White minus Black.
int kingSafety(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns, int whiteSum,
               int blackSum, int blackAttackWeight, int whiteAttackWeight);

// One side's own endgame king activity (edge, reach, pawns and passer fronts nearby,
// runaway passers), from that side's view.
int kingActivity(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns, int side);

// Endgame king term, White minus Black: centralisation and the passer count of pure
// pawn endings, plus each side's kingActivity.
int kingEndgame(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns);

}  // namespace tolvaren
