// The engine's searcher (`Suche_t`): iterative deepening at the root with aspiration
// windows and MultiPV, the node and quiescence searches, move ordering help and the
// reports through the output sink. One main searcher exists per engine; the UCI
// interface starts it, the bench and tools run it synchronously. It owns up to three
// helper searchers that join its tree at split points ("NumberOfProcessors" - 1).
// Its members are defined in search_driver.cpp (driver, construction), node_search.cpp,
// quiescence.cpp and parallel_search.cpp, as marked below; the time network's
// bookkeeping between iterations is a TimeBookkeeping of its own, the bitbases are
// reached through a BitbaseProbe.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "book/book.h"
#include "search/bitbase_probe.h"
#include "search/evaluation_caches.h"
#include "search/history.h"
#include "search/move_step.h"
#include "search/ply_record.h"
#include "search/root_moves.h"
#include "search/search_parameters.h"
#include "search/searcher.h"
#include "search/split_point.h"
#include "search/time_bookkeeping.h"
#include "search/time_control.h"
#include "search/transposition_table.h"

namespace tolvaren {

// The opponent pieces whose capture the quiescence search generates: those that can
// lift `eval` above alpha by a margin shrinking with the quiescence depth (-1, -2, ...).
Bitboard quiescenceTargets(const Stellung_t& pos, const Zustand_t& state, int32_t eval, int32_t alpha,
                           int qdepth);

constexpr int MaxHelpers = 3;

class Suche_t : public Sucher_t {
   public:
    Suche_t();
    ~Suche_t() override;

    void ponderhit() override;

    // Quiescence score of a position (side to move's view), for tools; runs in the
    // caller's thread while the searcher is idle.
    int32_t quiescenceOfPosition(const Stellung_t& pos);

    Hashtabelle_t& table() { return *table_; }
    uint64_t searchedNodes() const override { return nodes_; }
    // Best move and ponder move of the last search.
    Zug_t lastBestMove() const { return static_cast<Zug_t>(records_[RootRecord].bestMove); }

    // Helper searchers and their threads; changed only between searches.
    int helperCount() const { return threads_.helperCount; }
    void setHelperCount(int wanted);

    // Bitbase probes answered by this searcher's and its helpers' caches this search.
    int64_t bitbaseHits() const;

    // Where the threads' time went, summed over this searcher and its helpers since they
    // were made: for the parallel benchmark, read between searches.
    struct ParallelStats {
        uint64_t splits = 0;           // split points set up
        uint64_t joinedSplits = 0;     // of those, points at least one other searcher joined
        uint64_t joins = 0;            // times a searcher joined another's point
        uint64_t joinedNodes = 0;      // nodes searched by the joiners
        uint64_t helperWorkNanos = 0;  // helpers searching at joined points
        uint64_t ownerWaitNanos = 0;   // owners asleep waiting for their workers
    };
    ParallelStats parallelStats() const;

   protected:
    void run() override;

   private:
    friend class SplitPointProbe;  // tests reach split points directly

    // Driver (search_driver.cpp).
    void prepareRoot(const Stellung_t& pos);
    int32_t rootSearch(int depth, int32_t centre);
    int tablePv(Zug_t first, Zug_t* pv) const;
    void reportPv(int depth, int32_t score, Zug_t move, bool firstSearched);
    int reportMultiPv(int depth);
    Zug_t ponderMove(Zug_t best) const;
    bool playBookMove(Optionen_t& options);
    void waitWhilePondering() const;
    // The time network's factor after an iteration, from its variation and score.
    double timeFactorAfterIteration(int iteration, int32_t score);
    int64_t elapsedMillis() const;

    // Node search and its helpers (node_search.cpp); evaluateNode in search_driver.cpp.
    int32_t nodeSearch(int32_t alpha, int32_t beta, Suchebene_t& rec, int depth, int nullWindowRun);
    // The searches of a planned move's child at `depth` - 2 + its extension: first
    // reduced in (alpha, betaPrime), then, when a reduced move or a null-window probe
    // beats alpha, at full depth in (alpha, beta). At the root only the first search.
    int32_t searchChild(Suchebene_t& child, int32_t alpha, int32_t betaPrime, int32_t beta, int depth,
                        const MoveStep& step, int nullWindowRun, NodeKind kind);
    // Steps of a node: the table's cutoff (or move and mate threat), the null move's
    // cutoff (or mate threat and threat squares), and the result's entry.
    bool tableCutoff(Suchebene_t& rec, int32_t alpha, int32_t beta, int depth);
    bool nullMoveCutoff(Suchebene_t& rec, int32_t alpha, int32_t beta, int depth, int nullWindowRun,
                        int32_t& score);
    void storeNode(const Suchebene_t& rec, int32_t best, int32_t bound, int depth, int nullWindowRun);
    bool repeatsInTree(const Suchebene_t& rec, uint64_t key) const;
    bool inGameHistory(uint64_t key) const;
    bool nullMoveWorthTrying(const Zustand_t& state, int32_t staticEval, int32_t beta) const;
    Zug_t queenContactCheck(Suchebene_t& rec);
    void childTableScan(int32_t beta, Suchebene_t& rec, int depth);
    int32_t evaluateNode(const Zustand_t& state);
    // Bitbases: sizing at search start (search_driver.cpp); what a probe means to a node.
    void configureBitbases(const Optionen_t& options);
    int bitbaseVerdict(Suchebene_t& rec, int32_t alpha, int32_t beta, int depth, int nullWindowRun,
                       int32_t& score);

    // Quiescence (quiescence.cpp).
    int32_t quiescence(int32_t alpha, int32_t beta, Suchebene_t& rec, int qdepth);

    // Parallel search (parallel_search.cpp).
    explicit Suche_t(Suche_t& main);  // a helper sharing main's table and split points
    void helperLoop();
    bool canSplit() const { return threads_.helperCount > 0 || threads_.isHelper; }
    bool split(Suchebene_t& rec, int32_t alpha, int32_t beta, int32_t betaPrime, int32_t& best,
               int32_t& bound, int depth, int nullWindowRun);
    // Searches the point's moves until none is left; `own` is the searcher's record at
    // the node. A helping owner leaves early once `leaveWhenDone` has no workers left.
    void searchSplitPoint(Teilungspunkt_t& point, Suchebene_t& own, const Teilungspunkt_t* leaveWhenDone);
    // Under the pool mutex: takes a helper slot and copies the path into `segment`;
    // returns the searcher's record at the node, or null when refused.
    Suchebene_t* joinSplitPoint(Teilungspunkt_t& point, Suchebene_t* segment);
    bool waitForWorkers(Teilungspunkt_t& point);
    void waitForWake();
    // Spins a little before sleeping: until some split point takes a searcher, `point`
    // (if given) has no workers left, or the spin's time is up.
    void spinForWork(const Teilungspunkt_t* point);
    // Some split point this searcher works below has been cut off.
    bool cutoffAbove() const {
        for (const Teilungspunkt_t* p = splitPoint_; p; p = p->parent.load(std::memory_order_relaxed))
            if (p->cutoff.load(std::memory_order_relaxed)) return true;
        return false;
    }
    bool aborted() const { return stopRequested() || (splitPoint_ && cutoffAbove()); }

    // Lists live on the move stack at the slot of their node's record, so that a second
    // set of records (used while an owner helps elsewhere) has lists of its own.
    uint32_t* moveSlice(const Suchebene_t& rec) {
        return moveStack_.get() + static_cast<size_t>(&rec - records_.get() - 1) * MaxMoves;
    }
    Suchebene_t& root() { return records_[RootRecord]; }
    bool timeLimited() const;

    std::unique_ptr<Hashtabelle_t> ownTable_;
    BitbaseProbe bitbases_;  // the main searcher's probe owns the loader its helpers share
    Hashtabelle_t* table_;
    Stellung_t pos_{};  // the searcher's own copy, made and unmade in place
    std::unique_ptr<Suchebene_t[]> records_;
    std::unique_ptr<uint32_t[]> moveStack_;
    Historie_t history_[2];
    EvaluationCaches evalCaches_;
    std::vector<Wurzelzug_t> rootList_;

    // Split points: the main searcher owns the pool, helpers point to it. splitPoint_ is
    // the innermost point being worked on.
    std::unique_ptr<SplitPointPool> ownPool_;
    SplitPointPool* pool_;
    Teilungspunkt_t* splitPoint_ = nullptr;
    // The threads: the main searcher owns its helpers (parallel_search.cpp); a helper runs
    // helperLoop on its own thread until told to exit. Any searcher sleeps on its wake
    // signal while it waits for work or for the workers at its split point.
    struct HelperThreads {
        std::unique_ptr<Suche_t> helpers[MaxHelpers];
        int helperCount = 0;
        bool isHelper = false;
        std::thread thread;             // a helper's
        std::atomic<bool> exit{false};  // set under the pool mutex, read by the helper's loop
        WakeSignal wake{0};
        uint32_t seenGeneration = 0;  // the pool generation this searcher's history is of
        Zeitkontrolle_t ownTime;      // helpers search without a time limit
        // Written only by this searcher's thread (load and store, no read-modify-write),
        // read by parallelStats on another.
        struct Counters {
            std::atomic<uint64_t> splits{0}, joinedSplits{0}, joins{0}, joinedNodes{0};
            std::atomic<uint64_t> helperWorkNanos{0}, ownerWaitNanos{0};
        } counters;
    } threads_;

    uint64_t nodes_ = 0;
    int selDepth_ = 0;
    int repetitionFloor_ = 0;
    int multiPv_ = 1;
    int32_t multiPvMargin_ = 0;
    int32_t lastScore_ = 0;
    Zug_t lastBest_ = 0;
    bool opening_ = false;      // 31 or more pieces, or a book move was played
    Buch_t book_;               // read at the first probe, again when "BookFile" changes
    bool timeLimited_ = false;  // the node test can say stop at all
    // Until the first iteration is complete neither "stop" nor a limit ends the search:
    // depth one costs microseconds, and an answer must be a searched move. Helpers never
    // work in the first iteration.
    bool firstIterationDone_ = true;
    bool stopRequested() const { return firstIterationDone_ && Sucher_t::stopRequested(); }

    TimeBookkeeping timeBook_;

    // Read by ponderhit on the command thread.
    std::atomic<bool> mayContinue_{true};
    std::atomic<uint32_t> rootBest_{0};
};

}  // namespace tolvaren
