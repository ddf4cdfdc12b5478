// The plan of one move in the searches' move loops: how much deeper (extension) or
// shallower (reduction) its child is searched, or whether it is skipped (futility).
// Inner nodes, split points and the root plan their moves with the same function; where
// they differ on purpose, the node kind names the case:
// - a split point never prunes, never extends evasions, extends every check that
//   captures or lands safely, and reduces no capture;
// - the root only extends calm evasions and reduces quiet calm moves after the MultiPV
//   lines by a fixed step.
// The strength-test switches of extensions, futility and late-move reductions name the
// inner nodes' rules; the root and split points do not consult them.
#pragma once

#include <cstdint>

#include "board/ablation.h"
#include "board/bitboard.h"
#include "board/move.h"
#include "board/position.h"
#include "search/draw_rules.h"
#include "search/move_tests.h"
#include "search/search_parameters.h"
#include "search/unmade_move.h"

namespace tolvaren {

enum class NodeKind : uint8_t { Inner, SplitPoint, Root };

struct MoveStep {
    int extension = 0;  // half-plies
    int reduction = 0;  // half-plies, taken back by a re-search when the move beats alpha
    bool prune = false;
};

// What a node's loop knows of the node itself, the same for all its moves.
struct StepNode {
    NodeKind kind = NodeKind::Inner;
    const Zustand_t* state = nullptr;  // the node's own
    int us = White, them = Black;
    Bitboard enemyKing = 0;
    bool inCheck = false;
    int depth = 0;
    int nullWindowRun = 0;
    int lastCaptured = 0;  // piece type the move into the node took
    Bitboard threat = 0;   // where the best reply to the null move went
    int32_t staticEval = 0;
    int multiPv = 1;  // the root reduces none of the first multiPv moves it searches
};

// One move, made: the position is the child's.
struct StepMove {
    Zug_t move = 0;
    int captured = 0;  // piece type taken, 0 for none
    const Zustand_t* after = nullptr;
    int tried = 0;  // moves made at the node, this one and pruned ones included
    int capturesTried = 0;
    uint32_t killer1 = 0, killer2 = 0;
    int32_t alpha = 0, betaPrime = 0;  // the window the move would be searched in
    int searched = 0;                  // moves searched before at the node
};

// Futility's condition on the node and the window, the same for all quiet moves: an inner
// node near the leaves that evaluates far below alpha; never with a mate score at the
// window's edges, nor for the first move where the evaluation is 0.
inline bool futileWindow(const StepNode& node, int32_t alpha, int32_t betaPrime, int searched) {
    const int32_t eval = node.staticEval;
    return node.kind == NodeKind::Inner && node.depth <= FutilityMaxDepth &&
           !ablation::off(ablation::Futility) && alpha >= -(MateRange - 1) && betaPrime <= MateRange - 1 &&
           !(searched == 0 && eval == 0) &&
           ((node.depth <= 1 && eval + FutilityMarginDepth1 < alpha) || eval + FutilityMargin < alpha);
}

inline MoveStep planMove(const Stellung_t& pos, const StepNode& node, const StepMove& m) {
    MoveStep step;
    const bool inner = node.kind == NodeKind::Inner;
    const int kind = moveKind(m.move);
    const Bitboard target = bit(moveTo(m.move));
    const Zustand_t& after = *m.after;
    const bool safe = isSafeSquare(after, node.us, node.them, target);
    const bool givesCheck = (after.by(node.us).attacked & node.enemyKing) != 0;
    // Neither reduced nor pruned: promotions, castling, e.p., pawns before promotion.
    const bool plain = !isSpecial(m.move) && !pawnToSeventh(m.move);

    // Calm evasions: out of check by a capture, a king move or onto a safe square.
    if (node.kind != NodeKind::SplitPoint && node.inCheck && (m.captured || kind == ZugKoenig || safe) &&
        !(inner && ablation::off(ablation::CheckExtension)))
        step.extension = 1;

    if (node.kind == NodeKind::Root) {
        if (!m.captured && plain && !givesCheck && step.extension == 0 && m.searched > node.multiPv &&
            !ablation::off(ablation::RootReduction))
            step.reduction = RootReduction;
        return step;
    }

    // Checks that capture or land safely, recaptures, queen trades, pawn endings.
    const bool recapture = m.captured >= Knight && m.captured <= Queen && node.lastCaptured;
    bool reducible;
    if (givesCheck && (m.captured || safe)) {
        if (recapture || node.kind == NodeKind::SplitPoint) step.extension = 1;
        reducible = false;
    } else {
        reducible = step.extension == 0;
        if (reducible && m.captured == Queen && node.lastCaptured == Queen) {
            step.extension = 1;
            reducible = false;
        }
    }
    if (recapture && onlyKingsAndPawns(pos) && !(inner && ablation::off(ablation::PawnEndingExtension))) {
        step.extension += (node.depth + 4) >> 2;
        reducible = reducible && step.extension == 0;
    }
    if (!reducible || !plain) return step;

    if (!m.captured && futileWindow(node, m.alpha, m.betaPrime, m.searched)) {
        step.prune = true;
        return step;
    }

    // Late moves, not killers, not parrying the null move's threat. Inner nodes also
    // reduce a capture of something cheaper onto an attacked square, unless it answers
    // a capture.
    const bool reducibleCapture =
        !m.captured || (inner && !node.lastCaptured && (after.by(node.them).attacked & target) &&
                        CoarseValue[m.captured] < CoarseValue[kind]);
    if (node.depth > 1 && m.tried >= 2 && !(inner && ablation::off(ablation::LateMoveReductions)) &&
        m.move != m.killer1 && m.move != m.killer2 &&
        !parriesThreat(node.threat, node.state->by(node.them), after.by(node.them)) && reducibleCapture)
        step.reduction =
            lateMoveReduction(node.depth, m.tried, m.capturesTried, node.nullWindowRun, node.lastCaptured);
    return step;
}

// planMove's futility decision for a move not yet made, at a node not in check: a quiet
// plain move in a futile window is pruned unless it checks from a safe square (then it is
// not reducible). The caller must still count the move only if it is legal.
inline bool prunedUnmade(const Stellung_t& pos, const StepNode& node, Zug_t move, int32_t alpha,
                         int32_t betaPrime, int searched) {
    if (node.inCheck || isSpecial(move) || pawnToSeventh(move) ||
        !futileWindow(node, alpha, betaPrime, searched))
        return false;
    if (node.state->occupancy & bit(moveTo(move))) return false;  // a capture
    const UnmadeMove m(pos, *node.state, move);
    return !(m.givesCheck() && m.safe());
}

}  // namespace tolvaren
