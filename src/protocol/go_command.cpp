#include "protocol/go_command.h"

#include <algorithm>
#include <cstring>

#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "protocol/text_scan.h"

namespace tolvaren {

namespace {

// The number after "keyword" and one more character, blanks skipped; 0 when absent.
int64_t numberAfter(const char* line, const char* keyword) {
    const char* p = std::strstr(line, keyword);
    if (!p) return 0;
    p += std::strlen(keyword);
    if (*p == '\0') return 0;
    return readDecimal(skipSpace(p + 1));
}

// As "keyword %d": blanks, then a number; 0 when absent or not a number.
int64_t smallNumberAfter(const char* line, const char* keyword) {
    const char* p = std::strstr(line, keyword);
    if (!p) return 0;
    return readDecimal32(skipSpace(p + std::strlen(keyword)));
}

// Calls take(move) for each move token after p until the first token that is not a move.
template <typename Take>
void forEachMoveToken(const Stellung_t& pos, const char* p, Take take) {
    for (;;) {
        p = skipSpace(p);
        const char* end = p;
        while (*end != '\0' && !isBlankChar(*end)) ++end;
        if (end == p) return;
        const Zug_t move = readCoordinate(pos, std::string_view(p, static_cast<size_t>(end - p)));
        if (move == 0) return;
        take(move);
        p = end;
    }
}

}  // namespace

GoParameters parseGo(const char* line, int sideToMove) {
    GoParameters g;
    g.ponder = std::strstr(line, "ponder") != nullptr;
    SearchLimits& l = g.limits;
    l.infinite = std::strstr(line, "infinite") != nullptr;
    l.time = numberAfter(line, sideToMove == White ? "wtime" : "btime");
    l.increment = numberAfter(line, sideToMove == White ? "winc" : "binc");
    l.movestogo = smallNumberAfter(line, "movestogo");
    l.depth = smallNumberAfter(line, "depth");
    l.nodes = numberAfter(line, "nodes");
    l.mate = smallNumberAfter(line, "mate");
    l.movetime = numberAfter(line, "movetime");
    return g;
}

int readSearchMoves(const Stellung_t& pos, const Zustand_t& state, const char* line, Zug_t* moves) {
    int count = 0;
    if (const char* p = std::strstr(line, "searchmoves")) {
        forEachMoveToken(pos, p + std::strlen("searchmoves"), [&](Zug_t move) {
            if (count < MaxSearchMoves && isLegal(pos, move, state) &&
                std::find(moves, moves + count, move) == moves + count)
                moves[count++] = move;
        });
        return count;
    }
    const char* p = std::strstr(line, "excludemoves");
    if (!p) return -1;
    uint32_t list[MaxMoves];
    uint32_t* end = generate(pos, state, list);
    for (uint32_t* e = list; e < end && count < MaxSearchMoves; ++e)
        if (isLegal(pos, moveOf(*e), state)) moves[count++] = moveOf(*e);
    forEachMoveToken(pos, p + std::strlen("excludemoves"), [&](Zug_t move) {
        for (int i = 0; i < count;) {
            if (moves[i] == move)
                moves[i] = moves[--count];
            else
                ++i;
        }
    });
    return count;
}

}  // namespace tolvaren
