// The engine's searcher (`Suche_t`): iterative deepening at the root with aspiration
// windows and MultiPV, the node and quiescence searches, move ordering help and the
// reports through the output sink. One main searcher exists per engine; the UCI
// interface starts it, the bench and tools run it synchronously.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "search/evaluation_caches.h"
#include "search/history.h"
#include "search/ply_record.h"
#include "search/root_moves.h"
#include "search/search_parameters.h"
#include "search/searcher.h"
#include "search/transposition_table.h"

namespace tolvaren {

// The opponent pieces whose capture the quiescence search generates: those that can
// lift `eval` above alpha by a margin shrinking with the quiescence depth (-1, -2, ...).
Bitboard quiescenceTargets(const Stellung_t& pos, const Zustand_t& state, int32_t eval, int32_t alpha, int qdepth);

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

protected:
    void run() override;

private:
    // Driver.
    void prepareRoot(const Stellung_t& pos);
    int32_t rootSearch(int depth, int32_t centre);
    int tablePv(Zug_t first, Zug_t* pv) const;
    void reportPv(int depth, int32_t score, Zug_t move, bool firstSearched);
    int reportMultiPv(int depth);
    Zug_t ponderMove(Zug_t best) const;
    void waitWhilePondering() const;
    double timeFactor() const;
    int64_t elapsedMillis() const;

    // Node search and its helpers.
    int32_t nodeSearch(int32_t alpha, int32_t beta, Suchebene_t& rec, int depth, int nullWindowRun);
    bool repeatsInTree(const Suchebene_t& rec, uint64_t key) const;
    bool inGameHistory(uint64_t key) const;
    bool nullMoveWorthTrying(const Zustand_t& state, int32_t staticEval, int32_t beta) const;
    bool offerSplit() { return false; }
    Zug_t queenContactCheck(Suchebene_t& rec);
    void childTableScan(int32_t beta, Suchebene_t& rec, int depth);
    int32_t evaluateNode(const Zustand_t& state);

    // Quiescence.
    int32_t quiescence(int32_t alpha, int32_t beta, Suchebene_t& rec, int qdepth);

    uint32_t* moveSlice(int ply) { return moveStack_.get() + static_cast<size_t>(ply + 1) * MaxMoves; }
    Suchebene_t& root() { return records_[RootRecord]; }
    bool timeLimited() const;

    std::unique_ptr<Hashtabelle_t> ownTable_;
    Hashtabelle_t* table_;
    Stellung_t pos_{};  // the searcher's own copy, made and unmade in place
    std::unique_ptr<Suchebene_t[]> records_;
    std::unique_ptr<uint32_t[]> moveStack_;
    Historie_t history_[2];
    EvaluationCaches evalCaches_;
    std::vector<Wurzelzug_t> rootList_;

    uint64_t nodes_ = 0;
    int selDepth_ = 0;
    int repetitionFloor_ = 0;
    int multiPv_ = 1;
    int32_t multiPvMargin_ = 0;
    int32_t lastScore_ = 0;
    Zug_t lastBest_ = 0;
    Zug_t lastPonder_ = 0;
    bool opening_ = false;
    bool timeLimited_ = false;  // the node test can say stop at all

    // Read by ponderhit on the command thread.
    std::atomic<bool> mayContinue_{true};
    std::atomic<uint32_t> rootBest_{0};
};

}  // namespace tolvaren
