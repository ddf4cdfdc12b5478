// The searcher base (`Sucher_t`): owns the search thread and the handshake with the
// command thread (start, started and idle semaphores), the stop and ponder flags and
// the root move list of one "go". The UCI interface drives it; Suche_t implements run.
#pragma once

#include <atomic>
#include <cstdint>
#include <semaphore>
#include <thread>

#include "board/movegen.h"
#include "board/position.h"

namespace tolvaren {

class Ausgabe_t;
class Optionen_t;
class Zeitkontrolle_t;

class Sucher_t {
   public:
    static constexpr int FlagPonder = 1;
    static constexpr int FlagInfinite = 2;  // analysis: the search runs until "stop"
    static constexpr int FlagDebug = 4;
    static constexpr int FlagSynchronous = 0x80;

    Sucher_t() = default;
    virtual ~Sucher_t();
    Sucher_t(const Sucher_t&) = delete;
    Sucher_t& operator=(const Sucher_t&) = delete;

    // Hands one search to the thread and returns once the thread has taken it (with
    // FlagSynchronous: runs it in the caller's thread). Waits for the previous search
    // to end first. Without a root list (null) all legal moves are searched.
    void start(const Stellung_t& position, Optionen_t& options, Zeitkontrolle_t& time, int flags,
               Ausgabe_t& output, const Zug_t* rootBegin, const Zug_t* rootEnd);

    // Ends the running search (it still reports its best move) and waits until it is
    // over; returns at once when no search runs.
    void stopAndWait();
    // Waits until no search runs.
    void waitIdle();

    // The opponent played the expected move: pondering becomes a normal search.
    virtual void ponderhit() = 0;

    // Nodes of the last search; read once the searcher is idle.
    virtual uint64_t searchedNodes() const { return 0; }

    bool pondering() const { return ponder_.load(std::memory_order_relaxed); }

   protected:
    // One whole search, on the search thread.
    virtual void run() = 0;

    // Derived constructors start the thread once their members exist; derived
    // destructors end it before their members go.
    void createThread();
    void terminate();

    bool stopRequested() const { return stopFlag_->load(std::memory_order_relaxed); }
    void requestStop() { stopFlag_->store(true, std::memory_order_relaxed); }
    // Helper searchers obey (and may raise) the stop flag of the searcher they serve.
    void shareStopFlag(Sucher_t& main) { stopFlag_ = &main.stop_; }
    void clearPonder() { ponder_.store(false, std::memory_order_relaxed); }

    // What start stored for run; written by the command thread before the start
    // signal and read by the search thread after it.
    Stellung_t position_{};
    Optionen_t* options_ = nullptr;
    Zeitkontrolle_t* time_ = nullptr;
    Ausgabe_t* output_ = nullptr;
    Zug_t rootMoves_[MaxMoves] = {};
    int rootMoveCount_ = 0;
    bool debug_ = false;
    bool infinite_ = false;
    bool searchmovesGiven_ = false;

   private:
    void threadLoop();

    std::counting_semaphore<> startSignal_{0};
    std::counting_semaphore<> startedSignal_{0};
    std::counting_semaphore<> idleSignal_{1};  // held while a search runs
    std::thread thread_;
    bool created_ = false;
    std::atomic<bool>* stopFlag_ = &stop_;
    // Read at every node by every search thread: kept on a cache line of their own, away
    // from data the search writes all the time.
    alignas(64) std::atomic<bool> stop_{false};
    std::atomic<bool> ponder_{false};
    std::atomic<bool> terminate_{false};
    // Fills the rest of the line: a derived class may lay out its own members in the
    // unused tail of its base, and Suche_t's first members are written at every move.
    char flagLineFill_[64 - 3 * sizeof(std::atomic<bool>)] = {};
};

}  // namespace tolvaren
