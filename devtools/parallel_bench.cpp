// Speed-up of the parallel search: searches the bench positions to a fixed depth with
// each thread count in turn (table cleared before every position) and prints the total
// time and nodes per count, the time ratio to the first count, and the per-position times.
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

    Suche_t searcher;
    int64_t firstMillis = 0;
    for (int n : threads) {
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
                    static_cast<double>(firstMillis) / static_cast<double>(millis), static_cast<long long>(cpu));
        std::fflush(stdout);
    }
    return 0;
}
