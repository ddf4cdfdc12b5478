// Helpers shared by the evaluation tests: a board with its own pair of caches, set
// from FEN, and direct access to the traced evaluation.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board/fen.h"
#include "board/position.h"
#include "eval/evaluate.h"

namespace tolvaren::testing {

struct EvalBoard {
    Stellung_t pos{};
    Zustand_t state{};
    std::unique_ptr<Materialtabelle_t> material = std::make_unique<Materialtabelle_t>();
    std::unique_ptr<Bauerntabelle_t> pawns = std::make_unique<Bauerntabelle_t>();

    explicit EvalBoard(const std::string& fen) { EXPECT_TRUE(readFen(pos, state, fen)) << fen; }

    int evaluate() { return tolvaren::evaluate(pos, state, *material, *pawns); }
    EvalTrace trace() {
        EvalTrace t{};
        evaluateTraced(pos, state, *material, *pawns, t);
        return t;
    }
    const BauernEintrag_t& pawnEntry() { return probePawns(pos, state, *pawns); }
    const MaterialEintrag_t& materialEntry() { return probeMaterial(pos, state, *material); }
};

}  // namespace tolvaren::testing
