// The command line of the engine: which mode to start in. Arguments that are not
// accepted are reported on standard error and skipped; the engine then starts.
#pragma once

#include <cstdio>

namespace tolvaren {

enum class StartMode { Engine, ExplainBitbase, CreateBitbase };

struct CommandLine {
    StartMode mode = StartMode::Engine;
    const char* argument = nullptr;  // the material name of a bitbase tool
    int threads = 1;                 // generation threads; 2 or more run in parallel
};

// Examines argv[1..argc-1] in order; each rejected argument is reported on err.
CommandLine parseCommandLine(int argc, const char* const* argv, std::FILE* err);

}  // namespace tolvaren
