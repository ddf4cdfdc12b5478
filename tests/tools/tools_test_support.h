// Helpers of the tool tests: a position with one mate and a legality check for the tools' moves.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "board/fen.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "support/test_files.h"
#include "support/uci_engine.h"

namespace tolvaren::test {

constexpr int ToolTimeout = 30000;
inline const char* const MateInOne = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1";  // Ra8 among 20 moves

inline bool legalIn(const std::string& fen, const std::string& move) {
    Stellung_t pos;
    Zustand_t state;
    if (!readFen(pos, state, fen)) return false;
    const Zug_t m = readCoordinate(pos, move);
    return m != 0 && isLegal(pos, m, state);
}

}  // namespace tolvaren::test
