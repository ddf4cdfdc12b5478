// Reading a "go" line: the limits for the time control and the optional root move
// list of "searchmoves" or "excludemoves". The UCI interface starts the search with them.
#pragma once

#include <cstdint>

#include "board/move.h"
#include "search/time_control.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// The limits of the side to move, and whether the search starts as pondering.
struct GoParameters {
    bool ponder = false;
    SearchLimits limits;
};

// Keywords are found anywhere in the line; absent values are 0.
GoParameters parseGo(const char* line, int sideToMove);

// Capacity of the search-move list.
constexpr int MaxSearchMoves = 240;

// Fills `moves` from "searchmoves" (the legal ones, in the order given, each once) or
// "excludemoves" (the legal moves less the named ones). Returns the count, or -1 when
// the line holds neither keyword.
int readSearchMoves(const Stellung_t& pos, const Zustand_t& state, const char* line, Zug_t* moves);

}  // namespace tolvaren
