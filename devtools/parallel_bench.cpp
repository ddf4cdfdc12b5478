// Speed-up of the parallel search: searches the bench positions to a fixed depth with
// each thread count in turn (table cleared before every position) and prints the total
// time and nodes per count, the time ratio to the first count, the per-position times,
// and where the threads' time went: splits set up (and how many of them others joined),
// joins and nodes per join, and the share of the helpers' and owners' time spent asleep.
// Usage: parallel_bench [iterations] [thread counts...]   (default: 11 1 2)
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "search/bench.h"
#include "search/search.h"

using namespace tolvaren;

namespace {

// Processor time of the whole process so far (all threads), in milliseconds: with the
// wall time it shows how busy the threads were.
int64_t cpuMillis() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000LL +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

}  // namespace

int main(int argc, char** argv) {
    const int depth = argc > 1 ? std::atoi(argv[1]) : 11;
    std::vector<int> threads;
    for (int i = 2; i < argc; ++i) threads.push_back(std::atoi(argv[i]));
    if (threads.empty()) threads = {1, 2};

    int64_t firstMillis = 0;
    for (int n : threads) {
        Suche_t searcher;  // a fresh one per count, so that the counters are its own
        const int64_t cpuStart = cpuMillis();
        std::vector<int64_t> positionMillis;
        const BenchResult r = runBench(searcher, depth, n, &positionMillis);
        const int64_t millis = r.millis > 0 ? r.millis : 1;
        const int64_t cpu = cpuMillis() - cpuStart;
        if (firstMillis == 0) firstMillis = millis;
        std::printf("threads %d:", n);
        for (int64_t t : positionMillis) std::printf(" %lld", static_cast<long long>(t));
        std::printf("\nthreads %d: time %lld ms nodes %llu nps %llu speed-up %.2f cpu %lld ms\n", n,
                    static_cast<long long>(millis), static_cast<unsigned long long>(r.nodes),
                    static_cast<unsigned long long>(r.nodesPerSecond()),
                    static_cast<double>(firstMillis) / static_cast<double>(millis),
                    static_cast<long long>(cpu));
        const Suche_t::ParallelStats st = searcher.parallelStats();
        const double wallNanos = static_cast<double>(millis) * 1e6;
        std::printf(
            "threads %d: splits %llu joined %.1f %% joins %llu nodes/join %.0f helper idle %.1f %% "
            "owner wait %.1f %%\n",
            n, static_cast<unsigned long long>(st.splits),
            st.splits ? 100.0 * static_cast<double>(st.joinedSplits) / static_cast<double>(st.splits) : 0.0,
            static_cast<unsigned long long>(st.joins),
            st.joins ? static_cast<double>(st.joinedNodes) / static_cast<double>(st.joins) : 0.0,
            n > 1 ? 100.0 - 100.0 * static_cast<double>(st.helperWorkNanos) / (wallNanos * (n - 1)) : 0.0,
            100.0 * static_cast<double>(st.ownerWaitNanos) / (wallNanos * n));
        std::fflush(stdout);
    }
    return 0;
}
