// The score of a position as the search sees it before searching it: the endgame
// recognizer first (it may add to or replace the evaluation), then the evaluation.
// Root, node and quiescence searches all call staticEvaluation.
#pragma once

#include <cstdint>

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// Per-thread caches of the evaluation.
struct EvaluationCaches;

// Side to move's view, 1/10 centipawns.
int32_t staticEvaluation(const Stellung_t& pos, const Zustand_t& state, EvaluationCaches& caches);

// The value of `count` pieces of one type together (pawn 1 .. queen 5).
int32_t materialTableValue(int type, int count);

}  // namespace tolvaren
