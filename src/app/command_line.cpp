#include "app/command_line.h"

#include <cstdlib>
#include <cstring>

#include "protocol/uci_output.h"

namespace tolvaren {

namespace {

void reportIllegal(std::FILE* err, int index, const char* argument) {
    std::fprintf(err, "illegal command line argument argv[%d] = \"%s\"\n", index, argument);
    std::fflush(err);
}

// Every mode and switch, one line each; the manual page has the details.
constexpr const char* Usage =
    "Usage: tolvaren [--Rnd | --RndMate]\n"
    "  A chess engine: the first input line chooses the protocol (uci, ucitest, xboard).\n"
    "  --Rnd plays random legal moves, --RndMate a mate in one when there is one.\n"
    "Tools, each of which runs and exits:\n"
    "  tolvaren bench [DEPTH]               search the bench positions, print nodes and nps\n"
    "  tolvaren --CreateBitbase [Threads=N] MATERIAL\n"
    "                                       generate MATERIAL.abb (KDKT ...) in this folder\n"
    "  tolvaren --CreateBitbaseParallel MATERIAL   the same on 4 threads\n"
    "  tolvaren --ExplainBitbase MATERIAL   write MATERIAL.txt from MATERIAL.abb\n"
    "  tolvaren --CSVN IN OUT               best move for each position of IN, into OUT\n"
    "  tolvaren --Testpos FILE              regression check on a PGN or EPD file\n"
    "  tolvaren --book add [--calcelo] [--value N] GAMES.pgn ...\n"
    "  tolvaren --book addpos [--value N] POSITIONS ...\n"
    "  tolvaren --book write BOOK [THRESHOLD-GAMES [WIDTH]]\n"
    "  tolvaren --book stats                book learning in Buchberechnung.bin\n"
    "  tolvaren --help | -h                 this text\n"
    "  tolvaren --version                   program name and version\n"
    "See tolvaren(6) for the options, the commands and the files.\n";

}  // namespace

void printUsage(std::FILE* out) {
    std::fputs(Usage, out);
    std::fflush(out);
}

void printVersion(std::FILE* out) {
    std::fprintf(out, "%s\n", EngineName);
    std::fflush(out);
}

CommandLine parseCommandLine(int argc, const char* const* argv, std::FILE* err) {
    CommandLine result;
    // The book tool takes any arguments and judges them itself.
    if (argc >= 2 && std::strcmp(argv[1], "--book") == 0) {
        result.mode = StartMode::Book;
        return result;
    }
    // Testing frameworks call "ENGINE bench"; the rest of the line is the command's argument.
    if (argc >= 2 && std::strcmp(argv[1], "bench") == 0) {
        result.mode = StartMode::Bench;
        return result;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        result.mode = StartMode::Help;
        return result;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        result.mode = StartMode::Version;
        return result;
    }
    // The tool switches count only with exactly their number of arguments.
    struct OneArgumentSwitch {
        const char* name;
        StartMode mode;
        int threads;
    };
    static constexpr OneArgumentSwitch oneArgument[] = {
        {"--ExplainBitbase", StartMode::ExplainBitbase, 1},
        {"--CreateBitbase", StartMode::CreateBitbase, 1},
        {"--CreateBitbaseParallel", StartMode::CreateBitbase, 4},
        {"--Testpos", StartMode::Testpos, 1},
    };
    if (argc == 3) {
        for (const OneArgumentSwitch& option : oneArgument) {
            if (std::strcmp(argv[1], option.name) != 0) continue;
            result.mode = option.mode;
            result.argument = argv[2];
            result.threads = option.threads;
            return result;
        }
    }
    if (argc == 4 && std::strcmp(argv[1], "--CreateBitbase") == 0 &&
        std::strncmp(argv[2], "Threads=", 8) == 0) {
        result.mode = StartMode::CreateBitbase;
        result.argument = argv[3];
        // A decimal number; anything unreadable counts as one thread. More than 64
        // workers would only fight over two bytes of the work array.
        long n = std::strtol(argv[2] + 8, nullptr, 10);
        result.threads = static_cast<int>(n < 1 ? 1 : n > 64 ? 64 : n);
        return result;
    }
    if (argc == 4 && std::strcmp(argv[1], "--CSVN") == 0) {
        result.mode = StartMode::Csvn;
        result.argument = argv[2];
        result.secondArgument = argv[3];
        return result;
    }
    // Otherwise engine mode; the last random-mover switch decides the searcher.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--Rnd") == 0)
            result.searcher = SearcherKind::Random;
        else if (std::strcmp(argv[i], "--RndMate") == 0)
            result.searcher = SearcherKind::RandomMate;
        else
            reportIllegal(err, i, argv[i]);
    }
    return result;
}

}  // namespace tolvaren
