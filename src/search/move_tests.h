// Small tests of moves and positions shared by the searches (root, node, split point
// and quiescence) and the time network: which moves are special or push a pawn to the
// rank before promotion, and whether a move answers the threat the null move revealed.
// The in-check test is the board's inCheck.
#pragma once

#include <algorithm>

#include "board/bitboard.h"
#include "board/move.h"
#include "board/position.h"
#include "search/search_parameters.h"

namespace tolvaren {

// Promotions, castling and e.p. captures.
inline bool isSpecial(Zug_t move) {
    return moveKind(move) >= ZugUmwSpringer;
}

// A pawn move onto the rank before promotion (the 7th for White, the 2nd for Black):
// such moves are neither reduced nor pruned.
inline bool pawnToSeventh(Zug_t move) {
    const int rank = rankOf(moveTo(move));
    return moveKind(move) == ZugBauer && (rank == 2 || rank == 7);
}

// Both sides' pieces, kings included.
inline int totalPieces(const Stellung_t& pos) {
    return pos.sides[White].count[AllPieces] + pos.sides[Black].count[AllPieces];
}

// Does the move take away something of what the null move's refutation aimed at?
inline bool parriesThreat(Bitboard threat, const Angriffe_t& before, const Angriffe_t& after) {
    if (!threat) return false;
    return (threat & before.attacked & ~after.attacked) ||
           (threat & before.attackedTwice & ~after.attackedTwice) ||
           (threat & before.pawnAttacks & ~after.pawnAttacks) || (threat & before.threats & ~after.threats);
}

// A moved piece stands safely when the opponent does not attack its square, or we
// defend it, and no enemy threat lands there.
inline bool isSafeSquare(const Zustand_t& after, int us, int them, Bitboard target) {
    return (!(after.by(them).attacked & target) || (after.by(us).attacked & target)) &&
           !(after.by(them).threats & target);
}

// Late-move reduction in half-plies for a quiet late move: the more moves and captures
// already tried, the longer the null-window run and after a capture, the deeper the cut.
inline int lateMoveReduction(int depth, int tried, int capturesTried, int nullWindowRun, bool lastCaptured) {
    int k = tried + capturesTried;
    if (capturesTried >= 3) k += 3;
    k += nullWindowRun % 2;
    if (nullWindowRun > 4) k += 1;
    if (lastCaptured) k += 2;
    const int medium = std::max(2, ((depth + 6) >> 3) * 2);
    const int large = std::max(medium, (depth * 5) >> 4);
    return k <= LmrSmallMaxK ? LmrSmall : k <= LmrMediumMaxK ? medium : large;
}

}  // namespace tolvaren
