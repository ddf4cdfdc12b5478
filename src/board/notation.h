// Moves as text: coordinate notation (read and written) and SAN (read only),
// plus the legal-move count and game-over test built on move generation.
#pragma once

#include "board/move.h"

namespace tolvaren {

struct Stellung_t;

// Writes at most 6 characters plus the terminating zero; returns buffer.
char* writeCoordinate(const Stellung_t& pos, Zug_t move, char* buffer);

}  // namespace tolvaren
