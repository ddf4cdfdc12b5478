// Move generation: all moves of a position (legal evasions in check, otherwise
// pseudo-legal moves with safe king moves and tested castling), the tactical
// generator of the quiescence search, and the membership and legality tests.
#pragma once

#include <cstdint>

#include "board/bitboard.h"
#include "board/move.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// Move list entries: the move in the low 16 bits; generators write the high bits as 0
// so that the search may keep ordering keys there.
constexpr int MaxMoves = 256;
struct Zugliste_t {
    uint32_t entry[MaxMoves];

    uint32_t* begin() { return entry; }
};
constexpr Zug_t moveOf(uint32_t entry) {
    return static_cast<Zug_t>(entry & 0xFFFF);
}

// Writes the moves of the side to move from `list` on and returns the end. `state`
// must be the position's own state record.
uint32_t* generate(const Stellung_t& pos, const Zustand_t& state, uint32_t* list);

// Quiescence moves: captures of pieces in `targets` (and captures that give check),
// queen promotions; mode 1 adds quiet checks, mode 2 also double pushes that check.
// In check it lists all evasions, as generate does.
uint32_t* generateTactical(const Stellung_t& pos, const Zustand_t& state, Bitboard targets, int mode,
                           uint32_t* list);

// True if generate lists the move.
bool contains(const Stellung_t& pos, Zug_t move, const Zustand_t& state);

// True if generate lists the move and it does not leave the mover's king attacked.
bool isLegal(const Stellung_t& pos, Zug_t move, const Zustand_t& state);

// For a move that generate listed: does it leave the mover's king safe? Cheaper than
// making it (pins and the state record decide; e.p. and castling are traced).
bool leavesKingSafe(const Stellung_t& pos, const Zustand_t& state, Zug_t move);

// Pieces of `byColor` that attack `square` with the given occupancy.
Bitboard attackersOf(const Stellung_t& pos, int square, int byColor, Bitboard occupancy);

}  // namespace tolvaren
