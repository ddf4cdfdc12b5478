// The command line of the engine: which mode to start in. Arguments that are not
// accepted are reported on standard error and skipped; the engine then starts.
#pragma once

#include <cstdio>

namespace tolvaren {

enum class StartMode { Engine, ExplainBitbase, Csvn, Testpos, Book, CreateBitbase, Bench, Help, Version };

// Engine mode's searcher: the real search or one of the random movers.
enum class SearcherKind { Normal, Random, RandomMate };

struct CommandLine {
    StartMode mode = StartMode::Engine;
    SearcherKind searcher = SearcherKind::Normal;
    const char* argument = nullptr;        // a tool's first argument: a material name or a file
    const char* secondArgument = nullptr;  // the batch tool's output file
    int threads = 1;                       // bitbase generation threads; 2 or more run in parallel
};

// Examines argv[1..argc-1] in order; each rejected argument is reported on err.
CommandLine parseCommandLine(int argc, const char* const* argv, std::FILE* err);

// The answers to "--help" and "--version".
void printUsage(std::FILE* out);
void printVersion(std::FILE* out);

}  // namespace tolvaren
