#include "search/split_point.h"

#include <algorithm>

namespace tolvaren {

namespace {

// Find-work score factors: by moves taken and not yet being searched (more left to do
// is better), and by the number of searchers already there (the second is most welcome).
constexpr int MovesFactor[15] = {1, 1, 2, 7, 12, 16, 19, 21, 23, 25, 27, 29, 31, 32, 33};
constexpr int WorkersFactor[17] = {1, 20, 13, 8, 6, 4, 3, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1};

// Weights by the node's null-window run: 0 (principal variation), odd, even and above 0.
constexpr int WeightTop[3] = {20, 5, 35};
constexpr int WeightSecond[3] = {12, 3, 21};
constexpr int WeightDeeper[3] = {8, 2, 14};

constexpr int LargeWorkerLimitDepth = 13;
constexpr int HelpScoreBase = 1000000;

int helperScore(const Teilungspunkt_t& p) {
    const int workers = p.workers.load(std::memory_order_relaxed);
    const int waiting = std::clamp(p.picked.load(std::memory_order_relaxed) - workers, 0, 14);
    return MovesFactor[waiting] * WorkersFactor[std::min(workers, 16)] *
           p.weight.load(std::memory_order_relaxed);
}

}  // namespace

int splitPointWeight(int nullWindowRun, bool hasParent, bool hasGrandparent) {
    const int kind = nullWindowRun == 0 ? 0 : (nullWindowRun & 1) ? 1 : 2;
    if (!hasParent) return WeightTop[kind];
    if (!hasGrandparent) return WeightSecond[kind];
    return WeightDeeper[kind];
}

int splitPointWorkerLimit(int depth) {
    return depth < LargeWorkerLimitDepth ? 4 : 3;
}

Teilungspunkt_t* SplitPointPool::allocate(int depth) {
    const int idle = idleCount();
    int shallower = 0, deeper = 0, freeSeen = 0;
    Teilungspunkt_t* firstFree = nullptr;
    auto take = [](Teilungspunkt_t& p) {
        bool expected = true;
        if (!p.free.compare_exchange_strong(expected, false, std::memory_order_acquire)) return false;
        std::lock_guard<std::mutex> lock(p.mutex);
        p.open.store(false, std::memory_order_relaxed);
        p.cutoff.store(false, std::memory_order_relaxed);
        p.workers.store(0, std::memory_order_relaxed);
        return true;
    };
    for (Teilungspunkt_t& p : points_) {
        if (p.free.load(std::memory_order_relaxed)) {
            ++freeSeen;
            if (!firstFree) firstFree = &p;
            // With someone idle, or many splits waiting far above, any free point will do.
            if ((shallower > 4 || idle > 0 || (freeSeen >= 15 && shallower > 0)) && take(p)) return &p;
            continue;
        }
        if (!p.joinable()) continue;
        const int d = p.depth.load(std::memory_order_relaxed);
        shallower += (d < depth) + (d < depth - 4);
        deeper += (d > depth) + (d > depth + 4);
    }
    if (firstFree && (shallower > 4 || deeper < 2 || (deeper < 4 && freeSeen > 4) ||
                      (deeper < shallower && freeSeen > 9))) {
        // Another owner may have taken it meanwhile; then any later free one serves.
        for (Teilungspunkt_t* p = firstFree; p < points_ + SplitPointCount; ++p)
            if (p->free.load(std::memory_order_relaxed) && take(*p)) return p;
    }
    return nullptr;
}

void SplitPointPool::release(Teilungspunkt_t& point) {
    {
        std::lock_guard<std::mutex> lock(point.mutex);
        point.open.store(false, std::memory_order_relaxed);
        point.node = nullptr;
        point.parent.store(nullptr, std::memory_order_relaxed);
    }
    point.free.store(true, std::memory_order_release);
}

Teilungspunkt_t* SplitPointPool::bestForHelper() {
    Teilungspunkt_t* best = nullptr;
    int bestScore = 0;
    for (Teilungspunkt_t& p : points_) {
        if (!p.joinable()) continue;
        const int score = helperScore(p);
        if (score > bestScore) {
            bestScore = score;
            best = &p;
        }
    }
    return best;
}

Teilungspunkt_t* SplitPointPool::bestForOwner(const Teilungspunkt_t* own) {
    // Work below one's own point brings one's own result closer.
    for (Teilungspunkt_t& p : points_)
        if (p.joinable() && p.parent.load(std::memory_order_relaxed) == own) return &p;
    Teilungspunkt_t* best = nullptr;
    int bestScore = -1;
    for (Teilungspunkt_t& p : points_) {
        if (!p.joinable()) continue;
        const int f = p.picked.load(std::memory_order_relaxed) > 3 ? 3 : 4;
        const int load =
            p.depth.load(std::memory_order_relaxed) * (p.workers.load(std::memory_order_relaxed) + f);
        const int score = HelpScoreBase - std::min(load, HelpScoreBase - 1);
        if (score > bestScore) {
            bestScore = score;
            best = &p;
        }
    }
    return best;
}

bool SplitPointPool::enterIdle(WakeSignal* wake) {
    const int n = idleCount_.load(std::memory_order_relaxed);
    for (int i = 0; i < n; ++i)
        if (idle_[i] == wake) return true;
    if (n >= MaxIdleSearchers) return false;
    idle_[n] = wake;
    idleCount_.store(n + 1, std::memory_order_relaxed);
    return true;
}

void SplitPointPool::leaveIdle(WakeSignal* wake) {
    const int n = idleCount_.load(std::memory_order_relaxed);
    for (int i = 0; i < n; ++i) {
        if (idle_[i] != wake) continue;
        idle_[i] = idle_[n - 1];
        idle_[n - 1] = nullptr;
        idleCount_.store(n - 1, std::memory_order_relaxed);
        return;
    }
}

void SplitPointPool::wakeIdle(int count) {
    int n = idleCount_.load(std::memory_order_relaxed);
    for (; n > 0 && count > 0; --count) {
        idle_[--n]->release();
        idle_[n] = nullptr;
    }
    idleCount_.store(n, std::memory_order_relaxed);
}

bool SplitPointPool::anyJoinable() const {
    for (const Teilungspunkt_t& p : points_)
        if (p.joinable()) return true;
    return false;
}

int SplitPointPool::inUse() const {
    int n = 0;
    for (const Teilungspunkt_t& p : points_) n += !p.free.load(std::memory_order_relaxed);
    return n;
}

}  // namespace tolvaren
