#include "app/command_line.h"

#include <cstring>

namespace tolvaren {

namespace {

void reportIllegal(std::FILE* err, int index, const char* argument) {
    std::fprintf(err, "illegal command line argument argv[%d] = \"%s\"\n", index, argument);
    std::fflush(err);
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv, std::FILE* err) {
    CommandLine result;
    // The book tool takes any arguments and judges them itself.
    if (argc >= 2 && std::strcmp(argv[1], "--book") == 0) {
        result.mode = StartMode::Book;
        return result;
    }
    if (argc == 3 && std::strcmp(argv[1], "--ExplainBitbase") == 0) {
        result.mode = StartMode::ExplainBitbase;
        result.argument = argv[2];
        return result;
    }
    // Anything else: every argument is reported and engine mode starts.
    for (int i = 1; i < argc; ++i) reportIllegal(err, i, argv[i]);
    return result;
}

}  // namespace tolvaren
