// The opening lines of a match, read from a PGN file and cut to a number of plies; each
// line is played twice, once with each engine as White.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/move.h"
#include "board/position.h"

namespace tolvaren::match {

struct Opening {
    std::string name, fen;  // fen empty: the standard start position
    Stellung_t start;
    Zustand_t startState;
    std::vector<Zug_t> moves;
};

// The repository's opening lines as the build places them beside the manager, or
// "none" (with a note on standard error) when they are missing.
std::string defaultOpenings();

// "none": the start position alone; an empty list when the file cannot be read.
std::vector<Opening> readOpenings(const std::string& file, int64_t plies);

}  // namespace tolvaren::match
