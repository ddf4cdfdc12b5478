// Moves as text: coordinate notation (read and written) and SAN (read only),
// plus the legal-move count and game-over test built on move generation.
#pragma once

#include <string_view>

#include "board/move.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// Writes at most 6 characters plus the terminating zero; returns buffer. Only the
// position's notation flags and rook squares are used, never its side to move, so
// every move of a variation may be written against the variation's first position.
char* writeCoordinate(const Stellung_t& pos, Zug_t move, char* buffer);

// Reads a coordinate move ("e2e4", "e7e8q", castling spellings "O-O", "0-0-0", ...)
// for the side to move. Returns 0 when the text names no own piece or no square;
// the move is not tested for legality.
Zug_t readCoordinate(const Stellung_t& pos, std::string_view text);

// Reads a SAN move; returns 0 unless exactly one legal move fits and every check,
// mate and e.p. mark is true.
Zug_t readSan(const Stellung_t& pos, std::string_view text, const Zustand_t& state);

int countLegalMoves(const Stellung_t& pos, const Zustand_t& state);

// 0 if the side to move has a legal move. Otherwise 1, and *result (if given) is 0 for
// stalemate, -1 when White is mated, +1 when Black is mated.
int gameOver(const Stellung_t& pos, const Zustand_t& state, int* result = nullptr);

}  // namespace tolvaren
