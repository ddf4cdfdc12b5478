// Helpers shared by the evaluation tests: a board from FEN with its own caches.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "board/fen.h"
#include "board/position.h"
#include "eval/evaluate.h"

namespace tolvaren::test {

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

// The set of the named squares, e.g. at({"d5", "e5"}).
inline Bitboard at(std::initializer_list<std::string_view> names) {
    Bitboard b = 0;
    for (std::string_view n : names) b |= bit(squareOf(n[0] - 'a', n[1] - '0'));
    return b;
}

}  // namespace tolvaren::test
