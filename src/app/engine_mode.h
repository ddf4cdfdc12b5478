// Engine mode: reads protocol lines from standard input, lets the first word choose
// the protocol, builds the sink and interface for it and feeds them every later line
// until "quit" or end of input. Called by the entry point.
#pragma once

#include <cstddef>
#include <cstdio>

#include "app/command_line.h"

namespace tolvaren {

// One read takes at most LineBufferSize - 1 characters; the rest of a longer line
// arrives as the next line.
constexpr std::size_t LineBufferSize = 40000;

// Runs the engine with the given searcher until "quit" or end of input; returns the
// exit status.
int runEngineMode(std::FILE* in = stdin, SearcherKind kind = SearcherKind::Normal);

// "tolvaren bench ...": the UCI "bench" command with the arguments after "bench",
// its lines printed on out; returns the exit status.
int runBenchMode(int argc, const char* const* argv, std::FILE* out = stdout);

}  // namespace tolvaren
