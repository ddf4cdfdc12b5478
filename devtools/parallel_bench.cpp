// Speed-up of the parallel search: searches the bench positions to a fixed depth with
// each thread count in turn (table cleared before every position) and prints the total
// time and nodes per count, the time ratio to the first count, and the per-position times.
// Usage: parallel_bench [iterations] [thread counts...]   (default: 11 1 2)
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "board/fen.h"
#include "board/position.h"
#include "protocol/options.h"
#include "protocol/output.h"
#include "search/bench.h"
#include "search/search.h"
#include "search/time_control.h"

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
    Optionen_t options(engineOptionTable);
    options.setNumber(OptionHash, BenchHashMiB);
    options.setFlag(OptionOwnBook, false);
    Zeitkontrolle_t time;
    Ausgabe_t silent;
    int64_t firstMillis = 0;
    for (int n : threads) {
        options.setNumber(OptionProcessors, n);
        uint64_t nodes = 0;
        const int64_t start = nowMillis();
        const int64_t cpuStart = cpuMillis();
        std::printf("threads %d:", n);
        for (int i = 0; i < BenchPositionCount; ++i) {
            Stellung_t pos;
            Zustand_t state;
            if (!readFen(pos, state, BenchPositions[i])) continue;
            options.applySetoption("name Clear Hash");
            time.startSearch(false, 0, 0, 0, depth, 0, 0, 0, false, 0);
            const int64_t t0 = nowMillis();
            searcher.start(pos, options, time, Sucher_t::FlagSynchronous, silent, nullptr, nullptr);
            nodes += searcher.searchedNodes();
            std::printf(" %lld", static_cast<long long>(nowMillis() - t0));
        }
        const int64_t millis = nowMillis() - start;
        const int64_t cpu = cpuMillis() - cpuStart;
        if (firstMillis == 0) firstMillis = millis;
        std::printf("\nthreads %d: time %lld ms nodes %llu nps %llu speed-up %.2f cpu %lld ms\n", n, static_cast<long long>(millis),
                    static_cast<unsigned long long>(nodes),
                    static_cast<unsigned long long>(nodes * 1000 / static_cast<uint64_t>(millis > 0 ? millis : 1)),
                    static_cast<double>(firstMillis) / static_cast<double>(millis > 0 ? millis : 1), static_cast<long long>(cpu));
        std::fflush(stdout);
    }
    return 0;
}
