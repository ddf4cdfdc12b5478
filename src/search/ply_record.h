// The per-ply record of a searcher (`Suchebene_t`): the move being searched, killers,
// counters, the move picker's state and the position state of the child. The node and
// quiescence searches, the move picker and the driver work on arrays of them.
#pragma once

#include <cstdint>

#include "board/make_move.h"
#include "board/position.h"
#include "search/transposition_table.h"

namespace tolvaren {

struct Suchebene_t {
    uint32_t move = 0;      // being searched from this node; 0 while the null move is searched
    uint32_t bestMove = 0;  // best so far, 0 = none
    uint32_t killer1 = 0;
    uint32_t killer2 = 0;
    int32_t ply = 0;
    int32_t movesTried = 0;  // made here, pruned ones included
    int32_t capturesTried = 0;
    int32_t staticEval = 0;
    uint8_t mateThreat = 0;  // passing would lose to a mate
    uint8_t bitbaseFound = 0;
    uint8_t captured = 0;  // piece type taken by `move`, 0 for none
    // No capture or pawn move lies between the root and this node, so the node may
    // repeat a position of the game before the root.
    uint8_t reversiblePath = 1;
    int32_t bitbaseBonus = 0;
    int32_t bitbaseResult = 0;
    uint64_t threatSquares = 0;  // destination of the best reply to the null move
    Hashdaten_t tt;

    // Move picker: the list lives on the searcher's move stack.
    uint32_t* current = nullptr;
    uint32_t* listBegin = nullptr;
    uint32_t* listEnd = nullptr;
    int32_t stage = 0;

    // The position after `move`; the node's own state is the previous record's child.
    Zustand_t child{};
    Rueckzug_t undo{};

    // Hands the reversible-path flag to the child after this record's move was made.
    void passReversibility() {
        const int kind = moveKind(static_cast<Zug_t>(move));
        const bool pawnMove = kind == ZugBauer || kind == ZugEnPassant || isPromotion(static_cast<Zug_t>(move));
        this[1].reversiblePath = reversiblePath && !captured && !pawnMove;
    }

    const Suchebene_t& parent() const { return this[-1]; }
    Suchebene_t& parent() { return this[-1]; }
    const Zustand_t& state() const { return this[-1].child; }
    // The move that led to this node.
    uint32_t lastMove() const { return this[-1].move; }
};

}  // namespace tolvaren
