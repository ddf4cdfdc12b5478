// Split points (`Teilungspunkt_t`): nodes whose remaining moves several searchers share
// once the first move is searched, and the pool of 20 of them that a main searcher and
// its helpers draw from. The node search splits here; idle helpers find work here.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <semaphore>

#include "board/position.h"

namespace tolvaren {

struct Suchebene_t;
class Suche_t;

constexpr int SplitPointCount = 20;
constexpr int MaxIdleSearchers = 4;  // the main searcher and three helpers
constexpr int SplitHelperSlots = 3;
constexpr int SplitKillerPlies = 3;

using WakeSignal = std::counting_semaphore<>;

// Lock order: the pool mutex before a split point's mutex; no lock is held while searching.
struct Teilungspunkt_t {
    // Read by every node below this one; written once per use. A cache line of their
    // own keeps the traffic on the mutex and the counters from slowing those reads.
    alignas(64) std::atomic<bool> cutoff{false};  // failed high or stopped: all work below ends
    std::atomic<Teilungspunkt_t*> parent{nullptr};

    alignas(64) std::mutex mutex;   // guards the plain fields below
    std::binary_semaphore done{1};  // held by the owner from set-up until the last worker leaves

    // Written under the mutex, read without it by pool scans.
    std::atomic<int> workers{0};  // owner included
    std::atomic<bool> free{true};
    std::atomic<bool> open{false};  // helpers may join: moves left, no cutoff
    std::atomic<int> depth{0};
    std::atomic<int> picked{0};  // moves taken from the node's list
    std::atomic<int> weight{0};
    std::atomic<int> workerLimit{0};

    Stellung_t position{};        // the owner's position at the node
    Suchebene_t* node = nullptr;  // the owner's record: its list and picker are shared
    int32_t alpha = 0, betaPrime = 0, beta = 0;
    int32_t best = 0;
    int32_t bound = 0;
    int nullWindowRun = 0;
    uint64_t nodes = 0;  // summed from the workers as they leave
    int joined = 0;      // searchers that joined since set-up
    int selDepth = 0;
    int repetitionFloor = 0;
    Suche_t* owner = nullptr;
    WakeSignal* ownerWake = nullptr;
    Suche_t* helpers[SplitHelperSlots] = {};
    uint32_t killers[SplitKillerPlies][2] = {};

    // Usable by one more searcher right now (a hint: join checks again under the mutex).
    bool joinable() const {
        const int w = workers.load(std::memory_order_relaxed);
        return !free.load(std::memory_order_relaxed) && open.load(std::memory_order_relaxed) &&
               !cutoff.load(std::memory_order_relaxed) && w > 0 &&
               w < workerLimit.load(std::memory_order_relaxed);
    }
};

// Scheduling weight of a split point by the null-window run of its node and its nesting:
// shallow splits on the principal variation are the most valuable to help at.
int splitPointWeight(int nullWindowRun, bool hasParent, bool hasGrandparent);
// Searchers allowed on a split point, owner included.
int splitPointWorkerLimit(int depth);

class SplitPointPool {
   public:
    SplitPointPool() = default;
    SplitPointPool(const SplitPointPool&) = delete;
    SplitPointPool& operator=(const SplitPointPool&) = delete;

    // Takes a free split point for a node of `depth`, or none when the pool is used
    // up or the node is not worth it given the splits already open.
    Teilungspunkt_t* allocate(int depth);
    // Gives a split point back once its last worker has left.
    void release(Teilungspunkt_t& point);

    // The rest runs under `mutex`.
    // Best split point for an idle helper, none if no point takes more searchers.
    Teilungspunkt_t* bestForHelper();
    // Where an owner waiting for its workers may help: below its own point first.
    Teilungspunkt_t* bestForOwner(const Teilungspunkt_t* own);
    // False when the list is full.
    bool enterIdle(WakeSignal* wake);
    void leaveIdle(WakeSignal* wake);
    // Posts the wake signals of up to `count` idle searchers, the latest first, and takes
    // them off the list.
    void wakeIdle(int count);

    int inUse() const;
    // Some point takes one more searcher (a hint, read without the mutex).
    bool anyJoinable() const;
    int idleCount() const { return idleCount_.load(std::memory_order_relaxed); }

    std::mutex mutex;
    // Bumped by the main searcher at every search start; helpers forget their history then.
    std::atomic<uint32_t> generation{0};
    // Processors free for helpers. A helper works or spins only while it holds one, and
    // an owner asleep lends its own, so that threads beyond the machine's processors
    // sleep instead of taking a working searcher's time. An owner woken takes its
    // processor back at once: the count may dip below zero until a helper goes idle.
    std::atomic<int> freeProcessors{0};
    bool takeProcessor() {
        int n = freeProcessors.load(std::memory_order_relaxed);
        while (n > 0)
            if (freeProcessors.compare_exchange_weak(n, n - 1, std::memory_order_relaxed)) return true;
        return false;
    }
    void returnProcessor() { freeProcessors.fetch_add(1, std::memory_order_relaxed); }
    void reclaimProcessor() { freeProcessors.fetch_sub(1, std::memory_order_relaxed); }

   private:
    Teilungspunkt_t points_[SplitPointCount];
    WakeSignal* idle_[MaxIdleSearchers] = {};
    std::atomic<int> idleCount_{0};
};

}  // namespace tolvaren
