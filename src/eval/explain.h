// The "eval" command's report: every term of the static evaluation as one line of
// text each, ending with "final N" where N is what evaluate returns; the protocol
// words the lines as it prints them.
#pragma once

#include "board/command_output.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;
struct Materialtabelle_t;
struct Bauerntabelle_t;

void explainEvaluation(const Stellung_t& pos, const Zustand_t& state, Materialtabelle_t& material,
                       Bauerntabelle_t& pawns, const LineFn& out);

}  // namespace tolvaren
