// Process entry: reads the command line, then runs the chosen mode.
#include "app/command_line.h"
#include "app/engine_mode.h"
#include "bitbase/bitbase_generator.h"
#include "bitbase/explain.h"

int main(int argc, char** argv) {
    using namespace tolvaren;
    const CommandLine commandLine = parseCommandLine(argc, argv, stderr);
    if (commandLine.mode == StartMode::Engine) return runEngineMode(stdin);
    if (commandLine.mode == StartMode::ExplainBitbase) explainBitbase(commandLine.argument);
    if (commandLine.mode == StartMode::CreateBitbase) {
        BitbaseGenerationOptions options;
        options.threads = commandLine.threads;
        return generateBitbase(commandLine.argument, options);
    }
    return 0;
}
