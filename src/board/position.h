// The position (`Stellung_t`) with its two per-side blocks and key history, and the
// state record (`Zustand_t`) computed beside it: occupancy, keys and both sides'
// attack summaries. Search, evaluation, book and bitbases read these fields directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/bitboard.h"

namespace tolvaren {

constexpr int SquareListSize = 10;
constexpr int MaxHistory = 101;  // enough for the fifty-move rule at 100 half-moves

// Castling rights bits (FEN letters K, Q, k, q).
constexpr int WhiteShort = 1;
constexpr int WhiteLong = 2;
constexpr int BlackShort = 4;
constexpr int BlackLong = 8;

// Castling by colour and wing (0 short, 1 long): the right, both rights of a colour, and
// where king and rook stand afterwards (the same squares in Chess960).
constexpr int CastlingRight[2][2] = {{WhiteShort, WhiteLong}, {BlackShort, BlackLong}};
constexpr int SideCastlingRights[2] = {WhiteShort | WhiteLong, BlackShort | BlackLong};
constexpr int CastlingKingTarget[2][2] = {{62, 58}, {6, 2}};
constexpr int CastlingRookTarget[2][2] = {{61, 59}, {5, 3}};

struct Seite_t {
    Bitboard pieces[7];  // by type; [AllPieces] is every piece of the side
    int8_t count[7];     // by type; [AllPieces] counts every piece
    // Squares of the pieces of types 1..6 at index type - 1; the first count entries
    // are valid. Built in increasing order; moves then keep the game's order.
    uint8_t list[6][SquareListSize];
    uint8_t longRook;   // square of the rook that castles long
    uint8_t shortRook;  // square of the rook that castles short

    uint8_t* squares(int type) { return list[type - 1]; }
    const uint8_t* squares(int type) const { return list[type - 1]; }
    int kingSquare() const { return list[King - 1][0]; }
};

// The type of the side's piece on `square` (a one-square set), 0 for none.
inline int typeOn(const Seite_t& side, Bitboard square) {
    if (!(side.pieces[AllPieces] & square)) return 0;
    int type = Pawn;
    while (!(side.pieces[type] & square)) ++type;
    return type;
}

struct Stellung_t {
    int32_t side;         // side to move: White or Black
    uint8_t epSquare;     // 0 = none; set only when a pawn of the side to move attacks it
    uint8_t castling;     // WhiteShort | WhiteLong | BlackShort | BlackLong
    uint8_t chess960;     // castling is not the standard one
    uint8_t fileLetters;  // rights were given as file letters: castling is written king-takes-rook
    Seite_t sides[2];
    // Everything above is the board part; search and perft copy only that where
    // the history is not needed.
    int32_t historyLength;  // 1..MaxHistory
    // Keys since the last capture or pawn move, oldest first; the last valid entry
    // is the current position. Unrecorded earlier positions are 0.
    uint64_t history[MaxHistory];
};

constexpr size_t BoardPartSize = offsetof(Stellung_t, historyLength);

// One bishop each, on squares of different colours: the material key carries a term for
// it and the evaluation scales such endings toward a draw. Read from the bitboards only,
// so that keys computed from scratch do not depend on the counts.
inline bool oppositeBishops(const Stellung_t& pos) {
    const Bitboard w = pos.sides[White].pieces[Bishop], b = pos.sides[Black].pieces[Bishop];
    return w && b && !moreThanOne(w) && !moreThanOne(b) && !(w & LightSquares) != !(b & LightSquares);
}

// What one side does to the other.
struct Angriffe_t {
    Bitboard attacked;       // every square the side attacks
    Bitboard attackedTwice;  // squares attacked at least twice (sliders counted through x-rays)
    Bitboard pawnAttacks;    // squares attacked by the side's pawns
    Bitboard threats;        // opponent pieces attacked by a less valuable piece
    Bitboard pinned;         // opponent pieces pinned against the opponent king
};

struct Zustand_t {
    Bitboard occupancy;
    uint64_t hashKey;
    uint64_t pawnKey;
    uint64_t materialKey;
    Angriffe_t attacks[2];  // [0] is Black's record, [1] White's: use by(color)

    Angriffe_t& by(int color) { return attacks[color ^ 1]; }
    const Angriffe_t& by(int color) const { return attacks[color ^ 1]; }
};

static_assert(sizeof(Zustand_t) == 112);

// Is the side to move in check? `state` is the position's own record. Asked at every
// node of the search, so inline.
inline bool inCheck(const Stellung_t& pos, const Zustand_t& state) {
    return (state.by(pos.side ^ 1).attacked & bit(pos.sides[pos.side].kingSquare())) != 0;
}

// Standard start position: White to move, rights 15, history of one key.
void setStartPosition(Stellung_t& pos, Zustand_t& state);

// Chess960 start position by Scharnagl number (taken modulo 960; 518 is the standard one).
void setChess960Position(Stellung_t& pos, Zustand_t& state, uint32_t number);

// Fills the state record (occupancy, keys, attack records) from scratch.
void computeState(const Stellung_t& pos, Zustand_t& state);

// Writes `to` as `from` with the colours exchanged; square lists are rebuilt in
// increasing order. The history is reduced to the flipped position's key.
void flipColors(const Stellung_t& from, Stellung_t& to);

// Keys computed from scratch (the state record keeps them incrementally).
uint64_t computeHashKey(const Stellung_t& pos);
uint64_t computePawnKey(const Stellung_t& pos);
uint64_t computeMaterialKey(const Stellung_t& pos);

// Rebuilds counts and square lists (increasing order) from the bitboards.
void rebuildLists(Stellung_t& pos);

}  // namespace tolvaren
