// Writing moves in SAN, the inverse of the SAN reading of the board folder: the
// game-file generator and the reader's round-trip tests write games with it.
#pragma once

#include <string>

#include "board/move.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// `move` must be legal in the position. Adds the shortest disambiguation and the
// check ("+") or mate ("#") mark.
std::string writeSan(const Stellung_t& pos, const Zustand_t& state, Zug_t move);

}  // namespace tolvaren
