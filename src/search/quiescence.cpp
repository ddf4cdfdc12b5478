#include <cassert>

#include "board/ablation.h"
#include "board/attack_tables.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "search/draw_rules.h"
#include "search/move_picker.h"
#include "search/move_tests.h"
#include "search/search.h"
#include "search/search_parameters.h"
#include "search/static_evaluation.h"
#include "search/unmade_move.h"

namespace tolvaren {

namespace {

constexpr Bitboard rankSet(int rank) {
    return Rank8 << (8 * (8 - rank));
}

// Assertions only: makes the move and answers the bad-capture test on the child's records.
[[maybe_unused]] bool losesMaterialWhenMade(Stellung_t& pos, const Zustand_t& state, Suchebene_t& rec,
                                            Zug_t move) {
    const int us = pos.side, them = us ^ 1;
    const Bitboard enemyKing = bit(pos.sides[them].kingSquare());
    if (!playMove(pos, move, state, rec.child, rec.undo)) return false;
    const Zustand_t& after = rec.child;
    const Bitboard target = bit(moveTo(move));
    const bool loses = (after.by(them).attacked & target) && !(after.by(us).attacked & target) &&
                       CoarseValue[rec.undo.capturedType] < CoarseValue[moveKind(move)] &&
                       !(after.by(us).attacked & enemyKing);
    takeBack(rec.undo);
    return loses;
}

int32_t marginalValue(int type, int count) {
    return materialTableValue(type, count) - materialTableValue(type, count - 1);
}

}  // namespace

Bitboard quiescenceTargets(const Stellung_t& pos, const Zustand_t& state, int32_t eval, int32_t alpha,
                           int qdepth) {
    const int us = pos.side, them = us ^ 1;
    const Seite_t& opp = pos.sides[them];
    const int32_t m = QuiescenceMarginStep * qdepth;
    const int32_t extra = opp.count[Pawn] == 1 ? DeltaMarginLastPawn : 0;
    const int32_t a = m + DeltaMargin + extra;
    const int32_t b = m + DeltaMarginPawnTwoSteps + extra, c = m + DeltaMarginPawnOneStep + extra;
    // Squares where a capture wins material outright: attacked and not defended, or a
    // piece attacked by something less valuable.
    const Bitboard worth =
        (state.by(us).attacked & ~state.by(them).attacked) | (opp.pieces[AllPieces] & state.by(us).threats);
    Bitboard targets = 0;

    if (opp.count[Pawn]) {
        const Bitboard pawns = opp.pieces[Pawn];
        const int32_t g = eval + marginalValue(Pawn, opp.count[Pawn]) - alpha;
        if (g + c >= 1) {
            const Bitboard oneStep = pawns & rankSet(us == White ? 2 : 7);
            const Bitboard twoSteps = pawns & rankSet(us == White ? 3 : 6);
            Bitboard t = oneStep | (pawns & (rankSet(2) | rankSet(7)) & state.by(us).pawnAttacks);
            if (g + c <= QuiescenceAllTargets) t &= worth;
            targets |= t;
            if (g + b > 0) targets |= g + b > QuiescenceAllTargets ? twoSteps : twoSteps & worth;
            if (g + a > 0) {
                targets |= pawns & worth;
                // The generator names an e.p. capture by the pawn it takes.
                if (pos.epSquare) targets |= bit(us == White ? pos.epSquare + 8 : pos.epSquare - 8);
                if (g + a > QuiescenceAllTargets) targets |= pawns;
            }
        }
    }
    for (int type = Knight; type <= Queen; ++type) {
        if (!opp.count[type]) continue;
        const int32_t g = eval + marginalValue(type, opp.count[type]) + a - alpha;
        if (g > 0) targets |= g > QuiescenceAllTargets ? opp.pieces[type] : opp.pieces[type] & worth;
    }
    return targets;
}

int32_t Suche_t::quiescence(int32_t alpha, int32_t beta, Suchebene_t& rec, int qdepth) {
    Suchebene_t& parent = rec.parent();
    rec.ply = parent.ply + 1;
    if (rec.ply > MaxSearchPly) return DrawScore;
    if (rec.ply > selDepth_) selDepth_ = rec.ply;
    rec.bestMove = 0;
    rec.tt.move = 0;
    const Zustand_t& state = parent.child;
    const int us = pos_.side, them = us ^ 1;
    const bool inCheck = tolvaren::inCheck(pos_, state);

    int32_t best;
    Bitboard targets = 0;
    int mode = 0;
    if (inCheck) {
        if (rec.ply > 3 && state.hashKey == (&rec - 4)->state().hashKey) return DrawScore;
        if (insufficientMaterial(pos_)) return DrawScore;
        best = rec.ply - MateScore;
        if (best > alpha) {
            if (best >= beta) return best;
            alpha = best;
        }
    } else {
        if (parent.move != 0 && insufficientMaterial(pos_)) return DrawScore;
        const int32_t eval = evaluateNode(state);
        // Stand pat: the side to move need not capture.
        if (eval > alpha) {
            if (eval >= beta) return eval;
            alpha = eval;
        }
        best = eval;
        targets = ablation::off(ablation::DeltaPruning)
                      ? pos_.sides[them].pieces[AllPieces] & ~pos_.sides[them].pieces[King]
                      : quiescenceTargets(pos_, state, eval, alpha, qdepth);
        if (qdepth == -1 && !ablation::off(ablation::QuiescenceChecks))
            mode = best + QuietCheckMargin < alpha ? 1 : 2;
    }

    uint32_t* const begin = moveSlice(rec);
    startPicker(rec, begin, generateTactical(pos_, state, targets, mode, begin));
    const Historie_t& history = history_[us];
    Suchebene_t& child = (&rec)[1];

    for (Zug_t move; !aborted() && (move = nextMove(pos_, rec, history)) != 0;) {
        rec.move = move;
        const int kind = moveKind(move);
        if (!inCheck && kind <= ZugKoenig && !ablation::off(ablation::QuiescenceBadCaptures)) {
            // A capture of something cheaper onto a square only the opponent covers loses
            // material, unless it checks. It counts as a node but is not made.
            const UnmadeMove m(pos_, state, move);
            const int victim = m.capturedType();
            if (CoarseValue[victim] < CoarseValue[kind] && m.opponentCoversTarget() && !m.defendedAfter() &&
                !m.givesCheck()) {
                if (!leavesKingSafe(pos_, state, move)) continue;
                assert(losesMaterialWhenMade(pos_, state, rec, move));
                ++nodes_;
                rec.captured = static_cast<uint8_t>(victim);
                continue;
            }
            assert(!losesMaterialWhenMade(pos_, state, rec, move));
        }
        if (!playMove(pos_, move, state, rec.child, rec.undo)) continue;
        evalCaches_.evaluations.prefetch(rec.child.hashKey);
        ++nodes_;
        rec.captured = rec.undo.capturedType;
        const int32_t score = -quiescence(-beta, -alpha, child, qdepth - 1);
        takeBack(rec.undo);
        if (score > best) {
            best = score;
            rec.bestMove = move;
            if (score > alpha) {
                if (score >= beta) return score;
                alpha = score;
            }
        }
    }
    return best;
}

}  // namespace tolvaren
