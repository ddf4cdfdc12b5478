#include "board/draw_classification.h"

#include "board/position.h"

namespace tolvaren {

namespace {

bool isRepetition(const Stellung_t& pos, const Zustand_t& state) {
    // The last entry is the current position itself; only earlier ones count.
    int seen = 0;
    for (int i = 0; i + 1 < pos.historyLength; ++i)
        if (pos.history[i] == state.hashKey) ++seen;
    return seen >= 2;
}

}  // namespace

int classifyDraw(const Stellung_t& pos, const Zustand_t& state) {
    if (isRepetition(pos, state)) return DrawRepetition;

    const Seite_t& w = pos.sides[White];
    const Seite_t& b = pos.sides[Black];
    const Bitboard heavyOrPawns = w.pieces[Pawn] | w.pieces[Rook] | w.pieces[Queen] | b.pieces[Pawn] |
                                  b.pieces[Rook] | b.pieces[Queen];
    if (heavyOrPawns == 0) {
        const Bitboard knights = w.pieces[Knight] | b.pieces[Knight];
        const Bitboard bishops = w.pieces[Bishop] | b.pieces[Bishop];
        if (popCount(knights | bishops) <= 1) return DrawNoMaterial;
        // Bishops that all share one square colour can never give mate.
        if (knights == 0 && ((bishops & LightSquares) == 0 || (bishops & ~LightSquares) == 0))
            return DrawDeadBishops;
    }

    if (pos.historyLength >= MaxHistory) return DrawFiftyMoves;
    return DrawNone;
}

}  // namespace tolvaren
