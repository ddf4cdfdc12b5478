// The "position" command's work: start position, Chess960 number or FEN, then the
// move list, played permanently with the interface's two alternating state records.
#pragma once

#include <string_view>

#include "board/command_output.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// `args` is the line after the word "position". Sets pos, states[stateIndex] (the
// current state) and stateIndex; errors go to `error` with the engine's messages.
// Returns false after an error. The position is always consistent afterwards.
bool setPositionFromCommand(Stellung_t& pos, Zustand_t (&states)[2], int& stateIndex, std::string_view args,
                            const ErrorFn& error);

}  // namespace tolvaren
