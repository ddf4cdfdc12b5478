// Process entry: reads the command line, then runs the chosen mode.
#include "app/command_line.h"
#include "app/engine_mode.h"
#include "bitbase/bitbase_generator.h"
#include "bitbase/explain.h"
#include "book/book_tool.h"
#include "tools/csvn.h"
#include "tools/testpos.h"

int main(int argc, char** argv) {
    using namespace tolvaren;
    const CommandLine commandLine = parseCommandLine(argc, argv, stderr);
    switch (commandLine.mode) {
        case StartMode::ExplainBitbase:
            return explainBitbase(commandLine.argument);
        case StartMode::Csvn:
            return runCsvn(commandLine.argument, commandLine.secondArgument);
        case StartMode::CreateBitbase: {
            BitbaseGenerationOptions options;
            options.threads = commandLine.threads;
            return generateBitbase(commandLine.argument, options);
        }
        case StartMode::Book:
            return runBookTool(argc, argv, stdout, stderr);
        case StartMode::Testpos:
            return runTestpos(commandLine.argument);  // 0 unless a file could not be used
        case StartMode::Bench:
            return runBenchMode(argc, argv);
        case StartMode::Help:
            printUsage(stdout);
            return 0;
        case StartMode::Version:
            printVersion(stdout);
            return 0;
        case StartMode::Engine:
            break;
    }
    return runEngineMode(stdin, commandLine.searcher);
}
