#include <algorithm>
#include <cassert>

#include "board/ablation.h"
#include "board/attack_tables.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "search/draw_rules.h"
#include "search/move_picker.h"
#include "search/move_step.h"
#include "search/move_tests.h"
#include "search/search.h"
#include "search/search_parameters.h"
#include "search/time_control.h"

namespace tolvaren {

namespace {

// Assertions only: makes a move pruned unmade and asks planMove, which must prune it too.
[[maybe_unused]] bool confirmPrunedUnmade(Stellung_t& pos, const StepNode& facts, Suchebene_t& rec,
                                          Zug_t move, int32_t alpha, int32_t betaPrime, int searched) {
    if (!playMove(pos, move, *facts.state, rec.child, rec.undo)) return false;
    // Futility reads neither the killers nor the counts of moves tried.
    const MoveStep plan = planMove(
        pos, facts,
        {.move = move, .after = &rec.child, .alpha = alpha, .betaPrime = betaPrime, .searched = searched});
    takeBack(rec.undo);
    return plan.prune;
}

}  // namespace

bool Suche_t::repeatsInTree(const Suchebene_t& rec, uint64_t key) const {
    // Only positions after the repetition floor count: a null move makes no real position.
    for (const Suchebene_t* r = &rec - 4; r->ply > repetitionFloor_; r -= 2)
        if (r->state().hashKey == key) return true;
    return false;
}

bool Suche_t::inGameHistory(uint64_t key) const {
    for (int i = 0; i < pos_.historyLength; ++i)
        if (pos_.history[i] == key) return true;
    return false;
}

bool Suche_t::nullMoveWorthTrying(const Zustand_t& state, int32_t staticEval, int32_t beta) const {
    if (staticEval <= beta) return false;
    const Seite_t& me = pos_.sides[pos_.side];
    const int pieces = me.count[AllPieces] - me.count[Pawn];  // king included
    if (pieces <= 1) return false;
    // Pinned pieces and a lone knight cannot be relied on to avoid zugzwang.
    const Bitboard pinned = state.by(pos_.side ^ 1).pinned & me.pieces[AllPieces];
    const int loneKnight = popCount(me.pieces[Knight] & ~pinned) == 1 ? 1 : 0;
    return pieces - popCount(pinned & ~me.pieces[Pawn]) - 1 - loneKnight >= 1;
}

Zug_t Suche_t::queenContactCheck(Suchebene_t& rec) {
    const int us = pos_.side, them = us ^ 1;
    const Seite_t& me = pos_.sides[us];
    const Seite_t& opp = pos_.sides[them];
    const Zustand_t& state = rec.state();
    const Bitboard zone = kingAttacks(opp.kingSquare());
    for (int i = 0; i < me.count[Queen]; ++i) {
        const int queen = me.squares(Queen)[i];
        Bitboard contacts = queenAttacks(queen, state.occupancy) & zone & state.by(us).attackedTwice &
                            ~me.pieces[AllPieces] & ~state.by(them).attackedTwice;
        while (contacts) {
            const int t = popLowest(contacts);
            // Every flight square must be next to the queen's new square.
            if (zone & ~opp.pieces[AllPieces] & ~state.by(us).attacked & ~kingAttacks(t)) continue;
            const Zug_t move = makeMove(queen, t, ZugDame);
            if (!playMove(pos_, move, state, rec.child, rec.undo)) continue;
            const Zustand_t& after = rec.child;
            const bool mates = !(zone & ~opp.pieces[AllPieces] & ~after.by(us).attacked & ~kingAttacks(t)) &&
                               !(after.by(them).attackedTwice & bit(t));
            takeBack(rec.undo);
            if (mates) return move;
        }
    }
    return 0;
}

void Suche_t::childTableScan(int32_t beta, Suchebene_t& rec, int depth) {
    const Zustand_t& state = rec.state();
    const Historie_t& history = history_[pos_.side];
    const int us = pos_.side, them = us ^ 1;
    int32_t best = beta - 1;
    uint32_t* choice = nullptr;
    for (Zug_t move; (move = nextMove(pos_, rec, history)) != 0;) {
        uint32_t* entry = rec.current - 1;
        if (!playMove(pos_, move, state, rec.child, rec.undo)) continue;
        const Zustand_t& after = rec.child;
        Hashdaten_t found;
        if (table_->probe(after.hashKey, rec.ply + 1, found) && found.bound != Hashdaten_t::LowerBound) {
            const int32_t v = -found.score;
            if (v > best && (v >= MateRange || found.depth + 2 >= depth)) {
                best = v;
                choice = entry;
            }
        } else {
            const int king = pos_.sides[them].kingSquare();
            const bool noFlight =
                !(kingAttacks(king) & ~pos_.sides[them].pieces[AllPieces] & ~after.by(us).attacked);
            if (noFlight && countLegalMoves(pos_, after) == 0) {
                if (after.by(us).attacked & bit(king)) {
                    takeBack(rec.undo);
                    if (rec.stage == PickScore) scoreMoves(pos_, rec, history);
                    putFirst(rec, entry);
                    return;
                }
                if (best < 0) {
                    best = 0;
                    choice = entry;
                }
            }
        }
        if (best < 0 && rec.ply > 3 && after.hashKey == (&rec - 4)->child.hashKey) {
            best = 0;
            choice = entry;
        }
        takeBack(rec.undo);
    }
    if (choice)
        putFirst(rec, choice);
    else
        resetPicker(rec);
}

int Suche_t::bitbaseVerdict(Suchebene_t& rec, int32_t alpha, int32_t beta, int depth, int nullWindowRun,
                            int32_t& score) {
    const Suchebene_t& parent = rec.parent();
    const uint32_t lastMove = parent.move;
    const int minDepth = nullWindowRun <= 1 ? 4 * nullWindowRun + 4 : 12;
    // A pass is no move of the game: a verdict it changes would be a zugzwang the
    // side that passed cannot really use, so null-move children are not probed.
    if (lastMove == 0 || minDepth > depth) return 0;
    const bool parentFound = parent.bitbaseFound != 0;
    if (!parentFound && !parent.captured && moveKind(lastMove) != ZugRochade) return 0;
    if (pos_.castling != 0 || totalPieces(pos_) > bitbases_.pieceLimit()) return 0;
    int32_t result = 0;
    if (!bitbases_.probe(pos_, depth <= minDepth + 5, result)) return 0;
    rec.bitbaseFound = 1;
    rec.bitbaseResult = result;
    const int32_t v = pos_.side == White ? result : -result;
    // A known draw is exact: searching on would only report the evaluation's idea of
    // a material edge that cannot be turned into a win.
    if (result == 0) {
        score = DrawScore;
        return 1;
    }
    if (parentFound) {
        if (result == parent.bitbaseResult) return 0;
        score = BitbaseVerdict * v;  // the move into this node changed the verdict
        return 1;
    }
    const int32_t w = BitbaseBonus * v;
    if (w < 0 && alpha > -MateRange) {
        score = alpha;
        return 1;
    }
    if (w > 0 && beta <= MateRange - 1) {
        score = beta;
        return 1;
    }
    if (w == 0 && (alpha > 0 || beta < 0)) {
        score = 0;
        return 1;
    }
    rec.bitbaseBonus = w;
    return 0;
}

// Inline: every node asks, and a call here costs measurably.
[[gnu::always_inline]] inline bool Suche_t::tableCutoff(Suchebene_t& rec, int32_t alpha, int32_t beta,
                                                        int depth) {
    rec.tt.move = 0;
    if (!table_->probe(rec.state().hashKey, rec.ply, rec.tt)) return false;
    const Hashdaten_t& t = rec.tt;
    if (t.depth >= depth && beta == alpha + 1 &&
        (t.bound == Hashdaten_t::ExactBound || (t.bound == Hashdaten_t::LowerBound && t.score >= beta) ||
         (t.bound == Hashdaten_t::UpperBound && t.score <= alpha))) {
        rec.bestMove = t.move;
        return true;
    }
    rec.mateThreat = (t.flags & Hashdaten_t::MateThreat) ? 1 : 0;
    return false;
}

bool Suche_t::nullMoveCutoff(Suchebene_t& rec, int32_t alpha, int32_t beta, int depth, int nullWindowRun,
                             int32_t& score) {
    const Zustand_t& state = rec.state();
    Suchebene_t& child = (&rec)[1];
    const int us = pos_.side;
    rec.move = 0;
    rec.captured = 0;
    const int savedFloor = repetitionFloor_;
    repetitionFloor_ = rec.ply;
    const uint8_t ep = pos_.epSquare;
    playNullMove(pos_, state, rec.child);
    const int r = (depth <= NullMoveLargeRDepth ? NullMoveSmallR : NullMoveSmallR + 1) +
                  (depth > NullMoveExtraRDepth ? 1 : 0);
    child.bestMove = 0;
    rec.passReversibility();
    score = -nodeSearch(-beta, -alpha, child, depth - 2 * r, nullWindowRun + 1);
    pos_.side = us;
    pos_.epSquare = ep;
    repetitionFloor_ = savedFloor;
    if (score >= beta && nullWindowRun > 0) return true;
    if (score < -MateRange && alpha >= -(MateRange - 1)) rec.mateThreat = 1;
    if (child.bestMove) rec.threatSquares = bit(moveTo(static_cast<Zug_t>(child.bestMove)));
    return false;
}

[[gnu::always_inline]] inline void Suche_t::storeNode(const Suchebene_t& rec, int32_t best, int32_t bound,
                                                      int depth, int nullWindowRun) {
    Hashdaten_t result;
    result.score = best;
    result.depth = depth;
    result.nullWindowRun = nullWindowRun;
    result.bound = bound;
    result.move = rec.bestMove;
    result.flags = rec.mateThreat ? Hashdaten_t::MateThreat : 0;
    table_->store(rec.state().hashKey, rec.ply, result);
}

int32_t Suche_t::searchChild(Suchebene_t& child, int32_t alpha, int32_t betaPrime, int32_t beta, int depth,
                             const MoveStep& step, int nullWindowRun, NodeKind kind) {
    const int fullDepth = depth - 2 + step.extension;
    int32_t score = -nodeSearch(-betaPrime, -alpha, child, fullDepth - step.reduction,
                                betaPrime > alpha + 1 ? 0 : nullWindowRun + 1);
    // The root widens its aspiration window itself.
    if (kind != NodeKind::Root && score > alpha &&
        (step.reduction > 0 || (betaPrime != beta && score < beta)))
        score = -nodeSearch(-beta, -alpha, child, fullDepth, beta > alpha + 1 ? 0 : nullWindowRun + 1);
    return score;
}

int32_t Suche_t::nodeSearch(int32_t alpha, int32_t beta, Suchebene_t& rec, int depth, int nullWindowRun) {
    Suchebene_t& parent = rec.parent();
    rec.ply = parent.ply + 1;
    if (rec.ply > MaxSearchPly) return DrawScore;
    if (aborted()) return 0;  // the caller discards it
    const Zustand_t& state = parent.child;
    const uint32_t lastMove = parent.move;

    // 2. Draws: repetitions inside the tree and of the game, and dead material.
    if (lastMove != 0) {
        if (!parent.captured && moveKind(lastMove) != ZugBauer && rec.ply > 4 &&
            repeatsInTree(rec, state.hashKey))
            return DrawScore;
        if ((rec.reversiblePath && inGameHistory(state.hashKey)) || insufficientMaterial(pos_))
            return DrawScore;
    }

    // 3. Quiescence below depth 0.
    if (depth < 0) return quiescence(alpha, beta, rec, -1);

    // 4. Table: cut off at null-window nodes only; elsewhere the entry supplies the move.
    rec.mateThreat = 0;
    rec.bitbaseFound = 0;
    rec.bitbaseBonus = 0;
    if (tableCutoff(rec, alpha, beta, depth)) return rec.tt.score;

    // 6. Time.
    if (timeLimited_ && firstIterationDone_ && time_->nodeTest(static_cast<int64_t>(nodes_))) {
        requestStop();
        return 0;
    }

    const int us = pos_.side, them = us ^ 1;
    const bool inCheck = tolvaren::inCheck(pos_, state);
    const bool nullAllowed = depth > 1 && !inCheck && !rec.mateThreat && !ablation::off(ablation::NullMove);

    // 8. Bitbases: a verdict that a move changed ends the node; a known result
    // otherwise bounds it or biases its move scores.
    if (bitbases_.hasBuckets()) {
        int32_t verdict;
        if (bitbaseVerdict(rec, alpha, beta, depth, nullWindowRun, verdict)) return verdict;
    }

    // 9. Static evaluation.
    rec.staticEval = evaluateNode(state);
    rec.bestMove = 0;
    rec.movesTried = 0;
    rec.capturesTried = 0;
    rec.threatSquares = 0;
    Suchebene_t& child = (&rec)[1];

    // 11. Null move; after the opponent's pass we may pass once more, never a third time.
    if (nullAllowed &&
        (lastMove == 0 ? parent.parent().move != 0 : nullMoveWorthTrying(state, rec.staticEval, beta))) {
        int32_t score;
        if (nullMoveCutoff(rec, alpha, beta, depth, nullWindowRun, score)) return score;
    }

    // 12. Moves, with help for the first one.
    uint32_t* const begin = moveSlice(rec);
    startPicker(rec, begin, generate(pos_, state, begin));
    if (depth < ChildScanDepth) {
        if (!inCheck && rec.tt.move == 0 && !ablation::off(ablation::QueenContactCheck))
            rec.tt.move = queenContactCheck(rec);
    } else if (!ablation::off(ablation::ChildTableScan)) {
        childTableScan(beta, rec, depth);
    }

    // 13. The moves: each planned (extension, reduction, futility), then searched.
    int32_t best = rec.ply - MateScore;
    int32_t bound = Hashdaten_t::UpperBound;
    int32_t betaPrime = beta;
    bool pruned = false;
    int searched = 0;
    const Historie_t& history = history_[us];
    const StepNode facts{.kind = NodeKind::Inner,
                         .state = &state,
                         .us = us,
                         .them = them,
                         .enemyKing = bit(pos_.sides[them].kingSquare()),
                         .inCheck = inCheck,
                         .depth = depth,
                         .nullWindowRun = nullWindowRun,
                         .lastCaptured = parent.captured,
                         .threat = rec.threatSquares,
                         .staticEval = rec.staticEval};
    bool splitAllowed = false;  // the first move was big enough to share the rest

    for (Zug_t move; !aborted() && (move = nextMove(pos_, rec, history)) != 0;) {
        rec.move = move;
        if (prunedUnmade(pos_, facts, move, alpha, betaPrime, searched)) {
            // Counted as if made and pruned, which it would be; an illegal one is skipped.
            if (!leavesKingSafe(pos_, state, move)) continue;
            assert(confirmPrunedUnmade(pos_, facts, rec, move, alpha, betaPrime, searched));
            rec.captured = 0;
            ++rec.movesTried;
            ++nodes_;
            pruned = true;
            continue;
        }
        if (!playMove(pos_, move, state, rec.child, rec.undo)) continue;
        // Children that probe the table (depth 0 and up) get their bucket loaded meanwhile.
        if (depth >= 1) table_->prefetch(static_cast<uint32_t>(rec.child.hashKey >> 32));
        evalCaches_.evaluations.prefetch(rec.child.hashKey);
        const int captured = rec.undo.capturedType;
        rec.captured = static_cast<uint8_t>(captured);
        ++rec.movesTried;
        if (captured) ++rec.capturesTried;
        const uint64_t nodesBefore = nodes_;
        ++nodes_;

        const MoveStep plan = planMove(pos_, facts,
                                       {.move = move,
                                        .captured = captured,
                                        .after = &rec.child,
                                        .tried = rec.movesTried,
                                        .capturesTried = rec.capturesTried,
                                        .killer1 = rec.killer1,
                                        .killer2 = rec.killer2,
                                        .alpha = alpha,
                                        .betaPrime = betaPrime,
                                        .searched = searched});
        if (plan.prune) {
            takeBack(rec.undo);
            pruned = true;
            continue;
        }

        rec.passReversibility();
        int32_t score =
            searchChild(child, alpha, betaPrime, beta, depth, plan, nullWindowRun, NodeKind::Inner);
        takeBack(rec.undo);
        if (++searched == 1) splitAllowed = nodes_ - nodesBefore >= MinSplitFirstMoveNodes;
        if (score > -MateRange && score < MateRange) score += rec.bitbaseBonus;

        if (score > best) {
            best = score;
            rec.bestMove = move;
            betaPrime = alpha + 1;
            if (score > alpha) {
                if (score >= beta) {
                    if (!ablation::off(ablation::Killers)) updateKillers(rec, move);
                    if (rec.movesTried > 1 && !ablation::off(ablation::History))
                        history_[us].reward(move, depth);
                    bound = Hashdaten_t::LowerBound;
                    break;
                }
                bound = Hashdaten_t::ExactBound;
                alpha = score;
                betaPrime = score + 1;
            }
        }
        // Young brothers wait: once the first move is searched, the rest may be shared.
        if (splitAllowed && depth >= MinSplitDepth && canSplit() && rec.current < rec.listEnd &&
            split(rec, alpha, beta, betaPrime, best, bound, depth, nullWindowRun))
            break;
    }

    if (searched == 0 && !inCheck) return pruned ? rec.staticEval : DrawScore;
    if (pruned && best < rec.staticEval) {
        best = rec.staticEval;
        rec.bestMove = 0;
    }
    // An unfinished result (stop, or a cutoff above) must not reach the table.
    if (aborted()) return best;
    storeNode(rec, best, bound, depth, nullWindowRun);
    return best;
}

}  // namespace tolvaren
