// The parallel part of Suche_t: helper searchers and their threads, splitting a node
// (young brothers wait), joining and searching a split point, and an owner helping
// elsewhere while its workers finish.
#include <algorithm>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>

#include "board/attack_tables.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "search/draw_rules.h"
#include "search/history.h"
#include "search/move_picker.h"
#include "search/move_tests.h"
#include "search/output.h"
#include "search/search.h"
#include "search/search_parameters.h"

namespace tolvaren {

namespace {

// An owner helping elsewhere works in the second half of its records, so that the
// records above its own split node stay as they are.
constexpr int SecondSegment = PlyRecordCount / 2;
static_assert(SecondSegment >= RootRecord + MaxSearchPly + 2, "a whole path must fit in each half");

// The main searcher waiting for its workers still watches the clock this often.
constexpr auto WaitTimeCheck = std::chrono::milliseconds(5);

// How long an idle searcher keeps looking before it sleeps. Splits come every few
// hundred microseconds while a search runs; a wake through the semaphore costs tens of
// microseconds and often more on a virtual machine, a large share of a split's work.
constexpr auto SpinTime = std::chrono::microseconds(500);

// What the nodes below a joined split node read of the records above it.
void copyPathRecord(Suchebene_t& to, const Suchebene_t& from) {
    to.ply = from.ply;
    to.move = from.move;
    to.captured = from.captured;
    to.reversiblePath = from.reversiblePath;
    to.bitbaseFound = from.bitbaseFound;
    to.bitbaseResult = from.bitbaseResult;
    to.child.hashKey = from.child.hashKey;
}

// A counter only its own thread writes: a plain load and store is enough.
void bump(std::atomic<uint64_t>& counter, uint64_t by = 1) {
    counter.store(counter.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
}

uint64_t nanosSince(std::chrono::steady_clock::time_point start) {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
            .count());
}

// The machine's processors the helpers share: the main searcher keeps one.
int helperProcessorShare(int helpers) {
    const int processors = static_cast<int>(std::thread::hardware_concurrency());  // 0: unknown
    return processors > 0 ? std::min(helpers, processors - 1) : helpers;
}

}  // namespace

Suche_t::Suche_t(Suche_t& main)
    : bitbases_(main.bitbases_),
      table_(main.table_),
      records_(std::make_unique<Suchebene_t[]>(PlyRecordCount)),
      moveStack_(std::make_unique<uint32_t[]>(static_cast<size_t>(PlyRecordCount) * MaxMoves)),
      pool_(main.pool_) {
    threads_.isHelper = true;
    shareStopFlag(main);
    time_ = &threads_.ownTime;
    for (int i = 0; i < PlyRecordCount; ++i) records_[i].ply = (i % SecondSegment) - RootRecord;
    threads_.thread = std::thread(&Suche_t::helperLoop, this);
}

void Suche_t::setHelperCount(int wanted) {
    const int shareBefore = helperProcessorShare(threads_.helperCount);
    wanted = std::clamp(wanted, 0, threads_.isHelper ? 0 : MaxHelpers);
    while (threads_.helperCount > wanted) {
        Suche_t& helper = *threads_.helpers[--threads_.helperCount];
        {
            std::lock_guard<std::mutex> lock(pool_->mutex);
            helper.threads_.exit.store(true, std::memory_order_relaxed);
            pool_->leaveIdle(&helper.threads_.wake);
        }
        helper.threads_.wake.release();
        helper.threads_.thread.join();
        threads_.helpers[threads_.helperCount].reset();
    }
    while (threads_.helperCount < wanted) {
        try {
            threads_.helpers[threads_.helperCount] = std::unique_ptr<Suche_t>(new Suche_t(*this));
        } catch (const std::exception&) {
            // Fewer threads than asked for still search correctly.
            output_->message("helper search thread could not be created");
            break;
        }
        ++threads_.helperCount;
    }
    pool_->freeProcessors.fetch_add(helperProcessorShare(threads_.helperCount) - shareBefore,
                                    std::memory_order_relaxed);
}

void Suche_t::spinForWork(const Teilungspunkt_t* point) {
    const auto deadline = std::chrono::steady_clock::now() + SpinTime;
    while (!threads_.exit.load(std::memory_order_relaxed) && !pool_->anyJoinable() &&
           !(point && point->workers.load(std::memory_order_relaxed) == 0)) {
        if (std::chrono::steady_clock::now() >= deadline) return;
        // Gives the core to a searcher that has work when threads outnumber cores.
        std::this_thread::yield();
    }
}

void Suche_t::helperLoop() {
    bool processor = false;  // this helper holds one of the pool's free processors
    while (!threads_.exit.load(std::memory_order_relaxed)) {
        if (!processor) processor = pool_->takeProcessor();
        if (processor) spinForWork(nullptr);
        Teilungspunkt_t* point = nullptr;
        Suchebene_t* own = nullptr;
        {
            std::lock_guard<std::mutex> lock(pool_->mutex);
            if (processor) point = pool_->bestForHelper();
            if (point) own = joinSplitPoint(*point, records_.get());
            if (!own) {
                if (processor) pool_->returnProcessor();
                processor = false;
                if (threads_.exit.load(std::memory_order_relaxed)) return;
                pool_->enterIdle(&threads_.wake);
            }
        }
        if (!own) {
            // Woken by a new split point (which empties the list) or by the end.
            threads_.wake.acquire();
            std::lock_guard<std::mutex> lock(pool_->mutex);
            pool_->leaveIdle(&threads_.wake);
            continue;
        }
        const auto workStart = std::chrono::steady_clock::now();
        splitPoint_ = point;
        searchSplitPoint(*point, *own, nullptr);
        splitPoint_ = nullptr;
        bump(threads_.counters.helperWorkNanos, nanosSince(workStart));
    }
    if (processor) pool_->returnProcessor();
}

bool Suche_t::split(Suchebene_t& rec, int32_t alpha, int32_t beta, int32_t betaPrime, int32_t& best,
                    int32_t& bound, int depth, int nullWindowRun) {
    if (stopRequested()) return false;
    Teilungspunkt_t* const point = pool_->allocate(depth);
    if (!point) return false;
    Teilungspunkt_t* const previous = splitPoint_;
    {
        std::lock_guard<std::mutex> lock(point->mutex);
        point->done.acquire();
        point->position = pos_;
        point->node = &rec;
        point->alpha = alpha;
        point->betaPrime = betaPrime;
        point->beta = beta;
        point->best = best;
        point->bound = bound;
        point->nullWindowRun = nullWindowRun;
        point->nodes = 0;
        point->joined = 0;
        point->selDepth = 0;
        point->repetitionFloor = repetitionFloor_;
        point->owner = this;
        point->ownerWake = &threads_.wake;
        std::fill(std::begin(point->helpers), std::end(point->helpers), nullptr);
        for (int k = 0; k < SplitKillerPlies; ++k) {
            point->killers[k][0] = (&rec)[k + 1].killer1;
            point->killers[k][1] = (&rec)[k + 1].killer2;
        }
        const bool grandparent = previous && previous->parent.load(std::memory_order_relaxed);
        point->parent.store(previous, std::memory_order_relaxed);
        point->depth.store(depth, std::memory_order_relaxed);
        point->weight.store(splitPointWeight(nullWindowRun, previous != nullptr, grandparent),
                            std::memory_order_relaxed);
        point->workerLimit.store(splitPointWorkerLimit(depth), std::memory_order_relaxed);
        point->picked.store(rec.movesTried, std::memory_order_relaxed);
        point->workers.store(1, std::memory_order_relaxed);
        point->open.store(true, std::memory_order_relaxed);
    }
    splitPoint_ = point;
    {
        std::lock_guard<std::mutex> lock(pool_->mutex);
        pool_->wakeIdle(pool_->freeProcessors.load(std::memory_order_relaxed));
    }

    searchSplitPoint(*point, rec, nullptr);
    const bool helped = waitForWorkers(*point);
    {
        std::lock_guard<std::mutex> lock(point->mutex);
        if (helped) {
            for (int k = 0; k < SplitKillerPlies; ++k) {
                (&rec)[k + 1].killer1 = point->killers[k][0];
                (&rec)[k + 1].killer2 = point->killers[k][1];
            }
        }
        nodes_ += point->nodes;
        bump(threads_.counters.splits);
        if (point->joined > 0) bump(threads_.counters.joinedSplits);
        selDepth_ = std::max(selDepth_, point->selDepth);
        best = point->best;
        bound = point->bound;
    }
    splitPoint_ = previous;
    pool_->release(*point);
    return true;
}

Suchebene_t* Suche_t::joinSplitPoint(Teilungspunkt_t& point, Suchebene_t* segment) {
    std::lock_guard<std::mutex> lock(point.mutex);
    if (point.free.load(std::memory_order_relaxed) || !point.open.load(std::memory_order_relaxed) ||
        point.cutoff.load(std::memory_order_relaxed))
        return nullptr;
    const int workers = point.workers.load(std::memory_order_relaxed);
    if (workers == 0 || workers >= point.workerLimit.load(std::memory_order_relaxed)) return nullptr;
    const Suchebene_t& node = *point.node;
    if (node.current >= node.listEnd) {
        // Nothing left to hand out: nobody need look here again.
        point.open.store(false, std::memory_order_relaxed);
        return nullptr;
    }
    Suche_t** slot = std::find(std::begin(point.helpers), std::end(point.helpers), nullptr);
    if (slot == std::end(point.helpers)) return nullptr;
    *slot = this;
    point.workers.store(workers + 1, std::memory_order_relaxed);
    ++point.joined;
    bump(threads_.counters.joins);

    pos_ = point.position;
    repetitionFloor_ = point.repetitionFloor;
    const uint32_t generation = pool_->generation.load(std::memory_order_relaxed);
    if (generation != threads_.seenGeneration) {
        // A new search: what this helper learnt about the last one's moves is stale.
        history_[White].reset();
        history_[Black].reset();
        threads_.seenGeneration = generation;
    }
    // The records above the node, at the same indices, so that repetition tests and
    // the nodes below see the same path as the owner.
    const int nodeIndex = RootRecord + node.ply;
    const Suchebene_t* const path = &node - nodeIndex;
    // Only fields fixed while the point lives: a record above may be another split
    // node whose list and counters its searchers are changing right now.
    for (int i = 0; i < nodeIndex; ++i) copyPathRecord(segment[i], path[i]);
    segment[nodeIndex - 1].child = path[nodeIndex - 1].child;
    Suchebene_t& own = segment[nodeIndex];
    copyPathRecord(own, node);
    own.staticEval = node.staticEval;
    own.mateThreat = node.mateThreat;
    own.bitbaseBonus = node.bitbaseBonus;
    own.threatSquares = node.threatSquares;
    for (int k = 0; k < SplitKillerPlies; ++k) {
        segment[nodeIndex + 1 + k].killer1 = point.killers[k][0];
        segment[nodeIndex + 1 + k].killer2 = point.killers[k][1];
    }
    return &own;
}

void Suche_t::searchSplitPoint(Teilungspunkt_t& point, Suchebene_t& own,
                               const Teilungspunkt_t* leaveWhenDone) {
    Suchebene_t& node = *point.node;  // shared list and picker: touched under the point's mutex only
    const uint64_t startNodes = nodes_;
    const int savedSelDepth = selDepth_;
    selDepth_ = 0;

    // Fixed while the point lives.
    const int depth = point.depth.load(std::memory_order_relaxed);
    const int nullWindowRun = point.nullWindowRun;
    const int32_t beta = point.beta;
    const Zustand_t& state = own.state();
    const int us = pos_.side, them = us ^ 1;
    const StepNode facts{.kind = NodeKind::SplitPoint,
                         .state = &state,
                         .us = us,
                         .them = them,
                         .enemyKing = bit(pos_.sides[them].kingSquare()),
                         .inCheck = inCheck(pos_, state),
                         .depth = depth,
                         .nullWindowRun = nullWindowRun,
                         .lastCaptured = own.parent().captured,
                         .threat = own.threatSquares,
                         .staticEval = own.staticEval};
    const int32_t bitbaseBonus = own.bitbaseBonus;
    const Historie_t& history = history_[us];
    Suchebene_t& child = (&own)[1];

    while (!aborted() && !(leaveWhenDone && leaveWhenDone->workers.load(std::memory_order_relaxed) == 0)) {
        Zug_t move = 0;
        int32_t alpha = 0, betaPrime = 0;
        int tried = 0, capturesTried = 0;
        uint32_t killer1 = 0, killer2 = 0;
        {
            std::lock_guard<std::mutex> lock(point.mutex);
            if (point.cutoff.load(std::memory_order_relaxed)) break;
            while ((move = nextMove(pos_, node, history)) != 0) {
                own.move = move;
                if (playMove(pos_, move, state, own.child, own.undo)) break;
            }
            if (move == 0) {
                point.open.store(false, std::memory_order_relaxed);
                break;
            }
            own.captured = own.undo.capturedType;  // joiners copy the node record under this lock
            ++node.movesTried;
            if (own.captured) ++node.capturesTried;
            point.picked.store(node.movesTried, std::memory_order_relaxed);
            tried = node.movesTried;
            capturesTried = node.capturesTried;
            killer1 = node.killer1;
            killer2 = node.killer2;
            alpha = point.alpha;
            betaPrime = point.betaPrime;
        }
        const int captured = own.captured;
        ++nodes_;

        // Planned as at inner nodes, but for the split point's own cases (move_step.h).
        const MoveStep plan = planMove(pos_, facts,
                                       {.move = move,
                                        .captured = captured,
                                        .after = &own.child,
                                        .tried = tried,
                                        .capturesTried = capturesTried,
                                        .killer1 = killer1,
                                        .killer2 = killer2,
                                        .alpha = alpha,
                                        .betaPrime = betaPrime});
        own.passReversibility();
        int32_t score =
            searchChild(child, alpha, betaPrime, beta, depth, plan, nullWindowRun, NodeKind::SplitPoint);
        takeBack(own.undo);
        if (aborted()) break;  // the score of an interrupted subtree means nothing
        if (score > -MateRange && score < MateRange) score += bitbaseBonus;

        std::lock_guard<std::mutex> lock(point.mutex);
        if (point.cutoff.load(std::memory_order_relaxed) || score <= point.best) continue;
        point.best = score;
        node.bestMove = move;
        if (score > point.alpha) {
            if (score >= point.beta) {
                point.cutoff.store(true, std::memory_order_relaxed);
                point.open.store(false, std::memory_order_relaxed);
                point.bound = Hashdaten_t::LowerBound;
                updateKillers(node, move);  // history stays private to each searcher
            } else {
                point.alpha = score;
                point.bound = Hashdaten_t::ExactBound;
            }
        }
        point.betaPrime = point.alpha + 1;
    }

    // Leave: hand the counters to the point; the last one out wakes the owner.
    {
        std::lock_guard<std::mutex> lock(point.mutex);
        point.nodes += nodes_ - startNodes;
        point.selDepth = std::max(point.selDepth, selDepth_);
        if (&own != &node) {  // joined (the owner searches in the node record itself)
            bump(threads_.counters.joinedNodes, nodes_ - startNodes);
            Suche_t** slot = std::find(std::begin(point.helpers), std::end(point.helpers), this);
            if (slot != std::end(point.helpers)) *slot = nullptr;
        }
        const int workers = point.workers.load(std::memory_order_relaxed) - 1;
        point.workers.store(workers, std::memory_order_release);
        if (workers == 0) {
            point.done.release();
            if (&own != &node) point.ownerWake->release();
        }
    }
    nodes_ = startNodes;
    selDepth_ = savedSelDepth;
}

bool Suche_t::waitForWorkers(Teilungspunkt_t& point) {
    bool helped = false;
    Suchebene_t* const second = records_.get() + SecondSegment;
    // Helping needs the second half of the records; an owner already there only waits.
    const bool room = point.node < second;
    while (point.workers.load(std::memory_order_acquire) > 0) {
        if (stopRequested()) {
            std::lock_guard<std::mutex> lock(point.mutex);
            point.cutoff.store(true, std::memory_order_relaxed);
            point.open.store(false, std::memory_order_relaxed);
        }
        Teilungspunkt_t* other = nullptr;
        Suchebene_t* own = nullptr;
        if (room && !aborted()) {
            std::lock_guard<std::mutex> lock(pool_->mutex);
            other = pool_->bestForOwner(&point);
            if (other) own = joinSplitPoint(*other, second);
            if (!own) pool_->enterIdle(&threads_.wake);
        }
        if (own) {
            helped = true;
            const int floor = repetitionFloor_;
            Teilungspunkt_t* const outer = splitPoint_;
            splitPoint_ = other;
            searchSplitPoint(*other, *own, &point);
            splitPoint_ = outer;
            repetitionFloor_ = floor;
            pos_ = point.position;  // the owner's own node, as it was before helping
            continue;
        }
        if (point.workers.load(std::memory_order_acquire) > 0) {
            spinForWork(&point);
            if (point.workers.load(std::memory_order_acquire) > 0 && !pool_->anyJoinable()) waitForWake();
        }
        if (room) {
            std::lock_guard<std::mutex> lock(pool_->mutex);
            pool_->leaveIdle(&threads_.wake);
        }
    }
    // Pairs with the last worker's post: everything the workers wrote is visible now.
    point.done.acquire();
    point.done.release();
    return helped;
}

void Suche_t::waitForWake() {
    const auto sleepStart = std::chrono::steady_clock::now();
    pool_->returnProcessor();  // lent while asleep
    if (threads_.isHelper || !timeLimited_) {
        threads_.wake.acquire();
    } else {
        // Only the main searcher watches the clock; it must not sleep through the limit.
        while (!threads_.wake.try_acquire_for(WaitTimeCheck)) {
            if (!stopRequested() && root().bestMove != 0 && time_->nodeTest(static_cast<int64_t>(nodes_)))
                requestStop();
        }
    }
    pool_->reclaimProcessor();
    bump(threads_.counters.ownerWaitNanos, nanosSince(sleepStart));
}

Suche_t::ParallelStats Suche_t::parallelStats() const {
    ParallelStats sum;
    auto add = [&sum](const HelperThreads::Counters& c) {
        sum.splits += c.splits.load(std::memory_order_relaxed);
        sum.joinedSplits += c.joinedSplits.load(std::memory_order_relaxed);
        sum.joins += c.joins.load(std::memory_order_relaxed);
        sum.joinedNodes += c.joinedNodes.load(std::memory_order_relaxed);
        sum.helperWorkNanos += c.helperWorkNanos.load(std::memory_order_relaxed);
        sum.ownerWaitNanos += c.ownerWaitNanos.load(std::memory_order_relaxed);
    };
    add(threads_.counters);
    for (int i = 0; i < threads_.helperCount; ++i) add(threads_.helpers[i]->threads_.counters);
    return sum;
}

}  // namespace tolvaren
