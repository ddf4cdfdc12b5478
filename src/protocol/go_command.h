// Reading a "go" line: the limits for the time control and the optional root move
// list of "searchmoves" or "excludemoves". The UCI interface starts the search with them.
#pragma once

#include <cstdint>

#include "board/move.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

struct GoParameters {
    bool ponder = false;
    bool infinite = false;
    int64_t time = 0;  // of the side to move
    int64_t increment = 0;
    int64_t movestogo = 0;
    int64_t depth = 0;
    int64_t nodes = 0;
    int64_t mate = 0;
    int64_t movetime = 0;
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
