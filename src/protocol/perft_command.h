// The "perft" command: reads depth, table size and "divide" from the command line
// and prints the totals and per-move divide lines of the board's leaf counter.
#pragma once

#include <string_view>

#include "board/command_output.h"

namespace tolvaren {

struct Stellung_t;

// The "perft" command: `args` is the rest of the line after "perft" ("depth N",
// optional "Hash M" in MiB, at most the Hash option's 1000, and "divide", in any
// order). One table serves the whole command. Each output line (blanks
// already collapsed) goes to `line`; a missing depth goes to `error`.
void runPerftCommand(const Stellung_t& pos, std::string_view args, const LineFn& line, const ErrorFn& error);

}  // namespace tolvaren
