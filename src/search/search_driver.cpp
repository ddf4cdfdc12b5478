#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "board/ablation.h"
#include "board/attack_tables.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "search/move_tests.h"
#include "search/options.h"
#include "search/output.h"
#include "search/search.h"
#include "search/search_parameters.h"
#include "search/static_evaluation.h"
#include "search/time_control.h"

namespace tolvaren {

Suche_t::Suche_t()
    : ownTable_(std::make_unique<Hashtabelle_t>()),
      table_(ownTable_.get()),
      records_(std::make_unique<Suchebene_t[]>(PlyRecordCount)),
      moveStack_(std::make_unique<uint32_t[]>(static_cast<size_t>(PlyRecordCount) * MaxMoves)),
      ownPool_(std::make_unique<SplitPointPool>()),
      pool_(ownPool_.get()) {
    rootList_.reserve(MaxMoves);
    createThread();
}

Suche_t::~Suche_t() {
    terminate();
    setHelperCount(0);
}

int64_t Suche_t::elapsedMillis() const {
    return nowMillis() - time_->start;
}

bool Suche_t::timeLimited() const {
    return time_->hard != Zeitkontrolle_t::NoTimeLimit || time_->nodesHard != Zeitkontrolle_t::NoNodeLimit ||
           time_->nodeClock;
}

void Suche_t::prepareRoot(const Stellung_t& pos) {
    pos_ = pos;
    for (int i = 0; i < PlyRecordCount; ++i) {
        Suchebene_t& r = records_[i];
        r.move = r.bestMove = r.killer1 = r.killer2 = 0;
        r.captured = 0;
        r.ply = i - RootRecord;
    }
    computeState(pos_, records_[RootRecord - 1].child);
    root().reversiblePath = 1;
    root().listBegin = root().listEnd = root().current = moveSlice(root());
    nodes_ = 0;
    selDepth_ = 0;
    repetitionFloor_ = 0;
    lastScore_ = 0;
    lastBest_ = 0;
}

int32_t Suche_t::evaluateNode(const Zustand_t& state) {
    int32_t value;
    if (evalCaches_.evaluations.probe(state.hashKey, value)) return value;
    value = staticEvaluation(pos_, state, evalCaches_);
    evalCaches_.evaluations.store(state.hashKey, value);
    return value;
}

void Suche_t::configureBitbases(const Optionen_t& options) {
    BitbaseProbe* helpers[MaxHelpers];
    for (int i = 0; i < threads_.helperCount; ++i) helpers[i] = &threads_.helpers[i]->bitbases_;
    if (!bitbases_.configure(options, helpers, threads_.helperCount))
        output_->message("out of memory: bitbase cache");
}

int64_t Suche_t::bitbaseHits() const {
    int64_t hits = bitbases_.hits();
    for (int i = 0; i < threads_.helperCount; ++i) hits += threads_.helpers[i]->bitbases_.hits();
    return hits;
}

void Suche_t::waitWhilePondering() const {
    while (pondering()) std::this_thread::sleep_for(std::chrono::milliseconds(PonderPollMillis));
}

void Suche_t::run() {
    prepareRoot(position_);
    timeLimited_ = timeLimited();
    if (totalPieces(pos_) >= 31) opening_ = true;  // a book move of the last search keeps it set

    Optionen_t& options = *options_;
    if (options.takeButton(OptionClearHash)) table_->clear();
    table_->resize(static_cast<uint32_t>(options.number(OptionHash)) << 20);
    multiPv_ = std::max(1, static_cast<int>(options.number(OptionMultiPv)));
    multiPvMargin_ = options.number(OptionMultiPvScore) * 10;
    if (playBookMove(options)) return;
    setHelperCount(static_cast<int>(options.number(OptionProcessors)) - 1);
    configureBitbases(options);
    threads_.seenGeneration = pool_->generation.fetch_add(1, std::memory_order_relaxed) + 1;

    rootList_.clear();
    for (int i = 0; i < rootMoveCount_; ++i) {
        Wurzelzug_t entry;
        entry.move = rootMoves_[i];
        rootList_.push_back(entry);
    }
    history_[White].reset();
    history_[Black].reset();
    mayContinue_.store(true, std::memory_order_relaxed);
    table_->newSearch();
    timeBook_.start(options.text(OptionTimeLogfile));
    root().bestMove = rootList_.empty() ? 0 : rootList_.front().move;

    int32_t score = 0;
    firstIterationDone_ = false;
    for (int i = 0; !rootList_.empty() && i < MaxIterations; ++i) {
        // A mate found in n plies needs no iteration beyond n + 3.
        const int32_t first = rootList_.front().score;
        if (first + i > MateScore + 2 || first - i < -MateScore - 2) break;
        score = rootSearch(2 * i + 1, score);
        firstIterationDone_ = true;
        if (stopRequested()) break;
        if (i > 0 && (elapsedMillis() > IterationReportMillis || debug_))
            output_->statistics(i, selDepth_, elapsedMillis(), static_cast<int64_t>(nodes_),
                                table_->hashfull(), bitbaseHits());
        std::sort(rootList_.begin(), rootList_.end(), rootMoveBefore);
        const double factor = timeFactorAfterIteration(i, score);
        if (i == MaxIterations - 1) break;
        const bool onlyMove = rootList_.size() == 1 && !searchmovesGiven_;
        const bool goOn = !onlyMove && time_->iterationTest(factor, static_cast<int64_t>(nodes_), i + 1);
        timeBook_.logIteration(factor, goOn, nodes_);
        if (!goOn) {
            mayContinue_.store(false, std::memory_order_relaxed);
            if (!pondering()) break;
        } else {
            mayContinue_.store(true, std::memory_order_relaxed);
        }
    }
    timeBook_.writeLog(*output_);
    opening_ = false;

    waitWhilePondering();
    const Zug_t best = static_cast<Zug_t>(root().bestMove);
    output_->bestMove(position_, best, ponderMove(best));
    // The next ponderhit must not see this search's state.
    rootBest_.store(0, std::memory_order_relaxed);
    mayContinue_.store(true, std::memory_order_relaxed);
}

double Suche_t::timeFactorAfterIteration(int iteration, int32_t score) {
    Zug_t pv[MaxPvLength + 1];
    const Zug_t best = static_cast<Zug_t>(root().bestMove);
    int length = best != 0 ? tablePv(best, pv) : 0;
    if (length == 0 && best != 0) {
        pv[0] = best;  // the record keeps the best move even if the table walk refused it
        length = 1;
    }
    return timeBook_.factorAfterIteration(iteration, pos_, root().state(), rootList_, pv, length, score,
                                          nodes_, opening_);
}

// A book hit answers without searching and without an "info" line. Analysis ("go
// infinite") asks for a search and must not end on its own, and a "searchmoves" list
// may leave the book's move out: both search as usual.
bool Suche_t::playBookMove(Optionen_t& options) {
    if (infinite_ || !options.flag(OptionOwnBook)) return false;
    Zug_t move = 0, ponder = 0;
    if (!book_.probe(options.text(OptionBookFile), position_, move, &ponder)) return false;
    if (std::find(rootMoves_, rootMoves_ + rootMoveCount_, move) == rootMoves_ + rootMoveCount_) return false;
    opening_ = true;
    waitWhilePondering();
    output_->bestMove(position_, move, ponder);
    return true;
}

void Suche_t::ponderhit() {
    clearPonder();
    if (rootBest_.load(std::memory_order_relaxed) == 0) return;
    if (!mayContinue_.load(std::memory_order_relaxed)) {
        requestStop();
        return;
    }
    // Only the clock matters here: "go" never counts time in nodes.
    if (time_ && time_->ponderhitTest(0)) requestStop();
}

int32_t Suche_t::rootSearch(int depth, int32_t centre) {
    Suchebene_t& rec = root();
    rec.ply = 0;
    selDepth_ = 0;
    const Zustand_t& state = rec.state();
    rec.bitbaseFound = 0;
    rec.bitbaseBonus = 0;
    // The root's verdict lets the children tell which moves change it.
    if (pos_.castling == 0 && totalPieces(pos_) <= bitbases_.pieceLimit()) {
        int32_t result = 0;
        if (bitbases_.probe(pos_, false, result)) {
            rec.bitbaseFound = 1;
            rec.bitbaseResult = result;
        }
    }

    // A finished result of this depth in the table needs no search.
    Hashdaten_t hit;
    if (multiPv_ == 1 && table_->probe(state.hashKey, 0, hit) && hit.depth >= depth &&
        hit.bound == Hashdaten_t::ExactBound) {
        for (Wurzelzug_t& entry : rootList_) {
            if (entry.move != hit.move) continue;
            entry.depth = depth;
            entry.bound = Wurzelzug_t::Exact;
            entry.score = hit.score;
            rec.bestMove = hit.move;
            rootBest_.store(hit.move, std::memory_order_relaxed);
            if (hit.depth <= depth + 1 || rootList_.size() == 1) reportPv(depth, hit.score, hit.move, true);
            return hit.score;
        }
    }

    rec.staticEval = evaluateNode(state);
    int32_t alpha = -MateScore, beta = MateScore;
    if (depth > 2 && multiPv_ == 1) {
        alpha = centre - AspirationDelta;
        beta = centre + AspirationDelta;
    }
    int32_t delta = AspirationDelta;
    int32_t best = -MateScore;
    rec.bestMove = rootList_.front().move;
    rootBest_.store(rec.bestMove, std::memory_order_relaxed);
    rec.movesTried = rec.capturesTried = 0;
    const int us = pos_.side, them = us ^ 1;
    const StepNode facts{.kind = NodeKind::Root,
                         .state = &state,
                         .us = us,
                         .them = them,
                         .enemyKing = bit(pos_.sides[them].kingSquare()),
                         .inCheck = inCheck(pos_, state),
                         .depth = depth,
                         .staticEval = rec.staticEval,
                         .multiPv = multiPv_};
    Suchebene_t& child = (&rec)[1];
    int searchedBefore = 0;  // moves finished in this root search
    int restarts = 0;

    for (size_t idx = 0; idx < rootList_.size() && !stopRequested(); ++idx) {
        const Zug_t move = static_cast<Zug_t>(rootList_[idx].move);
        if (elapsedMillis() > CurrentMoveReportMillis || debug_)
            output_->currentMove(position_, move, static_cast<int>(idx) + 1, table_->hashfull());
        rec.move = move;
        if (!playMove(pos_, move, state, rec.child, rec.undo)) continue;
        rec.captured = rec.undo.capturedType;
        ++rec.movesTried;
        if (rec.captured) ++rec.capturesTried;
        if (rootList_[idx].depth == depth && rootList_[idx].bound == Wurzelzug_t::Exact) {
            takeBack(rec.undo);  // a MultiPV restart came back to a finished line
            continue;
        }
        ++nodes_;
        const uint64_t nodesBefore = nodes_;

        // In check, calm evasions are extended; quiet calm moves late in the list are reduced.
        const MoveStep plan = planMove(pos_, facts,
                                       {.move = move,
                                        .captured = rec.captured,
                                        .after = &rec.child,
                                        .tried = rec.movesTried,
                                        .capturesTried = rec.capturesTried,
                                        .alpha = alpha,
                                        .betaPrime = beta,
                                        .searched = searchedBefore});
        MoveStep full = plan;  // the re-searches are never reduced
        full.reduction = 0;

        rec.passReversibility();
        int32_t score = searchChild(child, alpha, beta, beta, depth, plan, 0, NodeKind::Root);
        if (multiPv_ == 1) {
            while (!stopRequested()) {
                if (best == -MateScore && score <= alpha)
                    alpha = std::max(score - delta, -MateScore);
                else if (score >= beta)
                    beta = std::min(score + delta, MateScore);
                else
                    break;
                score = searchChild(child, alpha, beta, beta, depth, full, 0, NodeKind::Root);
                delta += delta * AspirationGrowth / 1024;
            }
        } else if (score >= beta) {
            score = searchChild(child, alpha, MateScore, MateScore, depth, full, 0, NodeKind::Root);
        }
        takeBack(rec.undo);
        if (stopRequested()) break;  // an unfinished move's score means nothing

        ++searchedBefore;
        Wurzelzug_t& entry = rootList_[idx];
        const int32_t previousBound = entry.bound;
        entry.nodes = nodes_ - nodesBefore;
        entry.depth = depth;
        entry.score = score;
        entry.bound = 0;
        if (score > best) {
            rec.bestMove = move;
            rootBest_.store(move, std::memory_order_relaxed);
            reportPv(depth, score, move, searchedBefore == 1);
            best = score;
        }
        bool restart = false;
        if (score > alpha) {
            entry.bound = Wurzelzug_t::Exact;
            if (multiPv_ == 1) {
                alpha = score;
                beta = score + 1;
            } else {
                restart = true;
            }
        } else if (multiPv_ > 1 && previousBound == Wurzelzug_t::Exact) {
            restart = true;
        }
        if (restart) {
            // The lines changed: report them and continue with the first entry not yet
            // searched at this depth, which may lie before moves already searched.
            const int k = reportMultiPv(depth);
            int done = 0;
            for (const Wurzelzug_t& e : rootList_) done += e.depth >= depth;
            if (k >= done || ++restarts > 4 * static_cast<int>(rootList_.size())) {
                if (k >= multiPv_) {
                    alpha = rootList_[multiPv_ - 1].score;
                    if (multiPvMargin_ > 0) alpha = std::max(alpha, best - multiPvMargin_);
                    beta = alpha + 1;
                }
            }
            idx = static_cast<size_t>(k) - 1;  // the loop's increment moves on to entry k
        }
        if (idx + 1 < rootList_.size() && firstIterationDone_ && !pondering() &&
            time_->rootTest(static_cast<int64_t>(nodes_)))
            return best;
    }
    return best;
}

int Suche_t::reportMultiPv(int depth) {
    std::sort(rootList_.begin(), rootList_.end(), rootMoveBefore);
    if (depth >= 9) {
        Zug_t pv[MaxPvLength + 1];
        int line = 0;
        for (const Wurzelzug_t& e : rootList_) {
            if (line >= multiPv_ || e.bound != Wurzelzug_t::Exact) break;
            const int length = tablePv(static_cast<Zug_t>(e.move), pv);
            output_->multiPvLine(position_, pv, length, ++line, e.score, e.depth / 2);
        }
    }
    int k = 0;
    while (k < static_cast<int>(rootList_.size()) && rootList_[k].depth >= depth) ++k;
    return k;
}

void Suche_t::reportPv(int depth, int32_t score, Zug_t move, bool firstSearched) {
    Zug_t pv[MaxPvLength + 1];
    const int length = tablePv(move, pv);
    const int64_t ms = elapsedMillis();
    const bool calm = depth == 1 || (firstSearched && move == lastBest_ &&
                                     std::abs(score - lastScore_) <= SilentPvScoreChange);
    const bool silent = calm && ms <= SilentPvMillis && !debug_ && std::abs(score) <= MateRange;
    output_->principalVariation(position_, pv, length, score, -MateScore, MateScore, depth / 2, selDepth_, ms,
                                static_cast<int64_t>(nodes_), table_->hashfull(), bitbaseHits(), silent);
    if (silent) return;
    lastScore_ = score;
    lastBest_ = move;
}

int Suche_t::tablePv(Zug_t first, Zug_t* pv) const {
    Stellung_t pos;
    std::memcpy(static_cast<void*>(&pos), &pos_, BoardPartSize);
    Zustand_t states[2];
    states[0] = records_[RootRecord - 1].child;
    uint64_t keys[MaxPvLength + 1];
    keys[0] = states[0].hashKey;
    int length = 0;
    int32_t previousScore = 0;
    Zug_t move = first;
    while (length < MaxPvLength) {
        const Zustand_t& current = states[length & 1];
        Zustand_t& next = states[(length + 1) & 1];
        Rueckzug_t undo;
        if (!contains(pos, move, current) || !playMove(pos, move, current, next, undo)) break;
        pv[length++] = move;
        keys[length] = next.hashKey;
        bool repeated = false;
        for (int back = length - 2; back >= 0 && !repeated; back -= 2) repeated = keys[back] == keys[length];
        if (repeated) break;
        Hashdaten_t entry;
        if (!table_->probe(next.hashKey, 0, entry) || entry.move == 0) break;
        if (length >= 2 && entry.score != -previousScore && entry.bound != Hashdaten_t::ExactBound) break;
        previousScore = entry.score;
        move = static_cast<Zug_t>(entry.move);
    }
    return length;
}

Zug_t Suche_t::ponderMove(Zug_t best) const {
    if (best == 0) return 0;
    Stellung_t pos;
    std::memcpy(static_cast<void*>(&pos), &position_, BoardPartSize);
    Zustand_t state, next;
    computeState(pos, state);
    Rueckzug_t undo;
    if (!contains(pos, best, state) || !playMove(pos, best, state, next, undo)) return 0;
    Hashdaten_t entry;
    if (!table_->probe(next.hashKey, 0, entry) || entry.move == 0) return 0;
    // A table entry may belong to another position with the same bucket key bits.
    const Zug_t reply = static_cast<Zug_t>(entry.move);
    return isLegal(pos, reply, next) ? reply : 0;
}

int32_t Suche_t::quiescenceOfPosition(const Stellung_t& pos) {
    prepareRoot(pos);
    return quiescence(-MateScore, MateScore, root(), -1);
}

}  // namespace tolvaren
