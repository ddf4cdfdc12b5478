// Facts about the position after a move, read off the position before it. The node
// search and the quiescence search prune about a fifth of the moves they make right
// after making them, on facts of the child's attack records: whether the move checks,
// whether its piece stands safely, whether the opponent covers the target square.
// Asked here without the make, those moves cost no make, no attack records and no
// take-back. The answers must equal what the child's records would say; the searches
// check that in builds with assertions.
//
// Only moves of a piece from one square to another qualify (kinds pawn to king: no
// castling, e.p. or promotion), at a node whose side to move is not in check.
#pragma once

#include "board/attack_tables.h"
#include "board/bitboard.h"
#include "board/make_move.h"
#include "board/move.h"
#include "board/movegen.h"
#include "board/position.h"

namespace tolvaren {

class UnmadeMove {
   public:
    UnmadeMove(const Stellung_t& pos, const Zustand_t& state, Zug_t move)
        : pos_(pos),
          us_(pos.side),
          from_(moveFrom(move)),
          to_(moveTo(move)),
          type_(moveKind(move)),
          occupancy_((state.occupancy ^ bit(moveFrom(move))) | bit(moveTo(move))) {}

    // The type of the piece the move takes, 0 for none.
    int capturedType() const { return typeOn(pos_.sides[us_ ^ 1], bit(to_)); }

    // Does the side to move attack `square` once the move is made?
    bool moverSideAttacks(int square) const {
        return (moverAttacks() & bit(square)) || (attackersOf(pos_, square, us_, occupancy_) & ~bit(from_));
    }
    bool givesCheck() const { return moverSideAttacks(pos_.sides[us_ ^ 1].kingSquare()); }
    // The opponent's cover of the target: a captured piece there does not cover its own square.
    bool opponentCoversTarget() const { return attackersOf(pos_, to_, us_ ^ 1, occupancy_) != 0; }
    bool defendedAfter() const { return moverSideAttacks(to_); }

    // Would the opponent's threats hold the moved piece? The counts of pieces do not
    // change in a move without capture.
    bool threatenedAfter() const { return threatenedOn(pos_, us_ ^ 1, type_, to_, occupancy_); }

    // As isSafeSquare on the child's records.
    bool safe() const { return (!opponentCoversTarget() || defendedAfter()) && !threatenedAfter(); }

   private:
    // What the moved piece attacks from its target.
    Bitboard moverAttacks() const {
        switch (type_) {
            case Pawn:
                return pawnCaptures(us_, to_);
            case Knight:
                return knightAttacks(to_);
            case Bishop:
                return bishopAttacks(to_, occupancy_);
            case Rook:
                return rookAttacks(to_, occupancy_);
            case Queen:
                return queenAttacks(to_, occupancy_);
            default:
                return kingAttacks(to_);
        }
    }

    const Stellung_t& pos_;
    int us_, from_, to_, type_;
    Bitboard occupancy_;
};

}  // namespace tolvaren
