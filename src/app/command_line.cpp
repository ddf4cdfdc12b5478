#include "app/command_line.h"

namespace tolvaren {

namespace {

void reportIllegal(std::FILE* err, int index, const char* argument) {
    std::fprintf(err, "illegal command line argument argv[%d] = \"%s\"\n", index, argument);
    std::fflush(err);
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv, std::FILE* err) {
    CommandLine result;
    // No switch is accepted yet: every argument is reported and engine mode starts.
    for (int i = 1; i < argc; ++i) reportIllegal(err, i, argv[i]);
    return result;
}

}  // namespace tolvaren
