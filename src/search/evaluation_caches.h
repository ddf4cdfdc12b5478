// The evaluation's per-thread caches as one object, owned by each searcher.
#pragma once

#include "eval/material.h"
#include "eval/pawn_structure.h"

namespace tolvaren {

struct EvaluationCaches {
    Materialtabelle_t material;
    Bauerntabelle_t pawns;
};

}  // namespace tolvaren
