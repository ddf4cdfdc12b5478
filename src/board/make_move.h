// Making and taking back moves: incremental keys and bitboards, attack records
// rebuilt per move, an undo record on the caller's stack. The search, perft, the
// "position" command and every tool that replays moves use these.
#pragma once

#include <cstdint>

#include "board/bitboard.h"
#include "board/move.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// Everything needed to restore the board part of the position exactly: the list slots
// the primitives of the move used (the squares follow from the move).
struct Rueckzug_t {
    Stellung_t* pos;
    Zug_t move;
    uint8_t epSquare;         // before the move
    uint8_t castling;         // before the move
    uint8_t movedIndex;       // list index of the moved piece (promotion: of the pawn)
    uint8_t capturedType;     // 0 when nothing was captured
    uint8_t capturedIndex;    // list index of the captured piece
    uint8_t rookIndex;        // castling: list index of the rook
    uint8_t promotedSlotOld;  // promotion: what the new piece's list slot held before
};

// Makes a move produced by generate and returns true; a move that leaves the mover's
// king attacked is taken back at once and false returned (the undo is then spent and
// `newState` partly written).
// `newState` receives the state of the new position; `oldState` is only read.
bool playMove(Stellung_t& pos, Zug_t move, const Zustand_t& oldState, Zustand_t& newState, Rueckzug_t& undo);

// Perft's make: as playMove, but of the new state's attack records only what move
// generation reads is filled (the mover's attacked squares, pawn attacks and pinned
// pieces); the rest is zero. Not for the search or the evaluation.
bool playMoveForCounting(Stellung_t& pos, Zug_t move, const Zustand_t& oldState, Zustand_t& newState,
                         Rueckzug_t& undo);

// Restores the position from before the move, byte for byte in the board part.
void takeBack(const Rueckzug_t& undo);

// A move of the game itself: as playMove, and the key history is kept (reset by pawn
// moves and captures, at most MaxHistory entries). False leaves the position unchanged.
bool playPermanent(Stellung_t& pos, Zug_t move, const Zustand_t& oldState, Zustand_t& newState);

// Passes the move to the opponent. The caller takes it back by restoring the side to
// move and the e.p. square.
void playNullMove(Stellung_t& pos, const Zustand_t& oldState, Zustand_t& newState);

// Fills occupancy and both attack records of `state` from the position.
void computeAttacks(const Stellung_t& pos, Zustand_t& state);

// Would the attack record of side `by` hold a piece of `type` of the other side standing
// on `square` among its threats, with the given occupancy? The record's threat rules for
// one square, with the piece counts of the position.
bool threatenedOn(const Stellung_t& pos, int by, int type, int square, Bitboard occupancy);

}  // namespace tolvaren
