// Process entry: reads the command line, then runs the chosen mode.
#include "app/command_line.h"
#include "app/engine_mode.h"
#include "bitbase/explain.h"
#include "book/book_tool.h"

int main(int argc, char** argv) {
    using namespace tolvaren;
    const CommandLine commandLine = parseCommandLine(argc, argv, stderr);
    if (commandLine.mode == StartMode::Engine) return runEngineMode(stdin);
    if (commandLine.mode == StartMode::Book) return runBookTool(argc, argv, stdout, stderr);
    if (commandLine.mode == StartMode::ExplainBitbase) explainBitbase(commandLine.argument);
    return 0;
}
