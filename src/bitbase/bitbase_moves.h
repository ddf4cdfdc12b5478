// Chess rules on a `BitbaseStellung_t`: attacks, the legality of a decoded position,
// legal moves (a promoting pawn stays on the last row) and retro moves without
// uncaptures or unpromotions. The bitbase generator is their only user.
#pragma once

#include "bitbase/bitbase_position.h"
#include "board/attack_tables.h"
#include "board/bitboard.h"

namespace tolvaren {

constexpr int pawnStep(int side) {
    return side == 0 ? -8 : 8;
}
constexpr int promotionRow(int side) {
    return side == 0 ? 0 : 7;
}

inline int kingPiece(const BitbaseStellung_t& p, int side) {
    return side == 0 ? 0 : p.endSide0;
}

inline Bitboard occupancy(const BitbaseStellung_t& p, int side) {
    Bitboard b = 0;
    const int from = side == 0 ? 0 : p.endSide0, to = side == 0 ? p.endSide0 : p.total;
    for (int i = from; i < to; ++i)
        if (!p.absent(i)) b |= bit(p.pieces[i].square);
    return b;
}

inline Bitboard pieceAttacks(int type, int side, int square, Bitboard occupied) {
    switch (type) {
        case Pawn:
            return pawnCaptures(side, square);
        case Knight:
            return knightAttacks(square);
        case Bishop:
            return bishopAttacks(square, occupied);
        case Rook:
            return rookAttacks(square, occupied);
        case Queen:
            return queenAttacks(square, occupied);
        default:
            return kingAttacks(square);
    }
}

// Is `square` attacked by a present piece of `side`?
inline bool attackedBy(const BitbaseStellung_t& p, int square, int side, Bitboard occupied) {
    const int from = side == 0 ? 0 : p.endSide0, to = side == 0 ? p.endSide0 : p.total;
    for (int i = from; i < to; ++i)
        if (!p.absent(i) && (pieceAttacks(p.baseType(i), side, p.pieces[i].square, occupied) & bit(square)))
            return true;
    return false;
}

inline bool kingAttacked(const BitbaseStellung_t& p, int side, Bitboard occupied) {
    return attackedBy(p, p.pieces[kingPiece(p, side)].square, 1 - side, occupied);
}

// The legality tests of a freshly decoded position (absent pieces allowed).
bool legalBitbasePosition(const BitbaseStellung_t& p);

// Calls visit(successor) for every legal move of the side to move until visit returns
// false; returns false when it was stopped. The successor has the other side to move,
// a captured piece marked absent and the e.p. square of a double step; it is made and
// taken back in one working copy, so visit must not keep it.
template <class Visit>
bool forEachMove(const BitbaseStellung_t& position, Visit&& visit) {
    BitbaseStellung_t p = position;
    const int side = p.sideToMove;
    const Bitboard own = occupancy(p, side), enemy = occupancy(p, 1 - side);
    const Bitboard occupied = own | enemy;
    const int from = side == 0 ? 0 : p.endSide0, to = side == 0 ? p.endSide0 : p.total;
    const int enemyFrom = side == 0 ? p.endSide0 : 0, enemyTo = side == 0 ? p.total : p.endSide0;
    const int king = kingPiece(p, side);
    const int kingSquare = p.pieces[king].square;
    const bool inCheck = attackedBy(p, kingSquare, 1 - side, occupied);
    const int8_t ep = p.epSquare;

    auto tryMove = [&](int piece, int target, int victimSquare, int newEp) {
        const int origin = p.pieces[piece].square;
        int victim = -1;
        if (victimSquare >= 0)
            for (int j = enemyFrom; j < enemyTo; ++j)
                if (!p.absent(j) && p.pieces[j].square == victimSquare) victim = j;
        p.pieces[piece].square = target;
        p.sideToMove = 1 - side;
        p.epSquare = static_cast<int8_t>(newEp);
        if (victim >= 0) p.pieces[victim].type |= AbsentFlag;
        // Without check, only the king or a piece on a line with it can expose the king.
        bool legal = !inCheck && piece != king && victimSquare == (victim >= 0 ? target : -1) &&
                     lineThrough(kingSquare, origin) == 0;
        if (!legal) {
            Bitboard next = (occupied & ~bit(origin)) | bit(target);
            if (victimSquare >= 0) next &= ~bit(victimSquare);
            next |= bit(target);
            legal = !kingAttacked(p, side, next);
        }
        const bool goOn = !legal || visit(static_cast<const BitbaseStellung_t&>(p));
        p.pieces[piece].square = origin;
        p.sideToMove = side;
        p.epSquare = ep;
        if (victim >= 0) p.pieces[victim].type &= 7;
        return goOn;
    };

    for (int i = from; i < to; ++i) {
        if (p.absent(i)) continue;
        const int square = p.pieces[i].square;
        const int type = p.baseType(i);
        if (type == Pawn) {
            const int step = pawnStep(side);
            const int single = square + step;
            if (single >= 0 && single < 64 && !(occupied & bit(single))) {
                if (!tryMove(i, single, -1, -1)) return false;
                const int startRow = side == 0 ? 6 : 1;
                const int twice = single + step;
                if ((square >> 3) == startRow && !(occupied & bit(twice)))
                    if (!tryMove(i, twice, -1, single)) return false;
            }
            Bitboard captures = pawnCaptures(side, square) & enemy;
            while (captures)
                if (const int target = popLowest(captures); !tryMove(i, target, target, -1)) return false;
            if (ep >= 1 && (pawnCaptures(side, square) & bit(ep)))
                if (!tryMove(i, ep, ep - step, -1)) return false;
            continue;
        }
        Bitboard targets = pieceAttacks(type, side, square, occupied) & ~own;
        while (targets) {
            const int target = popLowest(targets);
            if (!tryMove(i, target, (enemy & bit(target)) ? target : -1, -1)) return false;
        }
    }
    return true;
}

// Calls visit(predecessor) for every retro move of the side that has just moved: a
// present piece goes back to an empty square it could have come from, without
// uncapturing or unpromoting. Predecessors have no e.p. square and are not tested
// for legality; visit also learns whether the retro move was a pawn's double step.
template <class Visit>
void forEachRetroMove(const BitbaseStellung_t& p, Visit&& visit) {
    const int side = 1 - p.sideToMove;
    const Bitboard occupied = occupancy(p, 0) | occupancy(p, 1);
    const int from = side == 0 ? 0 : p.endSide0, to = side == 0 ? p.endSide0 : p.total;
    auto retro = [&](int piece, int origin, bool doubleStep) {
        BitbaseStellung_t previous = p;
        previous.pieces[piece].square = origin;
        previous.sideToMove = side;
        previous.epSquare = -1;
        visit(static_cast<const BitbaseStellung_t&>(previous), doubleStep);
    };
    for (int i = from; i < to; ++i) {
        if (p.absent(i)) continue;
        const int square = p.pieces[i].square;
        const int type = p.baseType(i);
        if (type == Pawn) {
            const int back = square - pawnStep(side);
            const int backRow = back >> 3;
            if (back < 0 || back > 63 || backRow == 0 || backRow == 7 || (occupied & bit(back))) continue;
            retro(i, back, false);
            const int startRow = side == 0 ? 6 : 1;
            const int twice = back - pawnStep(side);
            if ((twice >> 3) == startRow && !(occupied & bit(twice))) retro(i, twice, true);
            continue;
        }
        Bitboard origins = pieceAttacks(type, side, square, occupied) & ~occupied;
        while (origins) retro(i, popLowest(origins), false);
    }
}

}  // namespace tolvaren
