#include "protocol/perft_command.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/perft.h"
#include "board/position.h"

namespace tolvaren {

namespace {

double millisSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Runs of blanks become one blank, as every UCI info line.
std::string collapseBlanks(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p)
        if (*p != ' ' || out.empty() || out.back() != ' ') out += *p;
    return out;
}

// Finds "word" followed by a number the way "word %d" reads it.
bool findNumberAfter(std::string_view text, std::string_view word, long& value) {
    const size_t at = text.find(word);
    if (at == std::string_view::npos) return false;
    size_t i = at + word.size();
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (v < 100000000) v = v * 10 + (text[i] - '0');
    value = negative ? -v : v;
    return true;
}

}  // namespace

void runPerftCommand(const Stellung_t& current, std::string_view args, const LineFn& line,
                     const ErrorFn& error) {
    long depthValue = 0, hashMiB = 0;
    if (!findNumberAfter(args, "depth", depthValue)) {
        error("perft without depth", args);
        return;
    }
    findNumberAfter(args, "Hash", hashMiB);
    if (hashMiB < 0) hashMiB = 0;
    const int depth = static_cast<int>(depthValue < -1000 ? -1000 : depthValue > 1000 ? 1000 : depthValue);
    const uint64_t tableBytes = static_cast<uint64_t>(hashMiB) << 20;
    const bool divide = args.find("divide") != std::string_view::npos;

    // The board part is enough; the history plays no part in counting.
    Stellung_t pos;
    std::memcpy(&pos, &current, BoardPartSize);
    pos.historyLength = 1;
    pos.history[0] = 0;
    Zustand_t state;
    computeState(pos, state);
    const auto start = std::chrono::steady_clock::now();
    char text[160];

    // One table for the whole command: with divide the root moves share what they find.
    PerftTabelle_t table(tableBytes);
    if (table.outOfMemory()) line("info string out of memory: perft table");
    uint64_t total = 0;
    if (!divide) {
        total = perft(table, pos, state, depth);
    } else {
        Zugliste_t moves;
        uint32_t* end = generate(pos, state, moves.begin());
        Zustand_t next;
        Rueckzug_t undo;
        for (uint32_t* m = moves.begin(); m != end; ++m) {
            const Zug_t move = moveOf(*m);
            const auto moveStart = std::chrono::steady_clock::now();
            if (!playMove(pos, move, state, next, undo)) continue;
            uint64_t n = 1;
            if (depth > 1) n = perft(table, pos, next, depth - 1);
            takeBack(undo);
            char name[8];
            writeCoordinate(pos, move, name);
            std::snprintf(text, sizeof text, "info move %s depth %d time %16.0f nodes %16.0f", name,
                          depth - 1, millisSince(moveStart), static_cast<double>(n));
            line(collapseBlanks(text));
            total += n;
        }
    }
    std::snprintf(text, sizeof text, "info depth %d time %16.0f nodes %16.0f", depth, millisSince(start),
                  static_cast<double>(total));
    line(collapseBlanks(text));
}

}  // namespace tolvaren
