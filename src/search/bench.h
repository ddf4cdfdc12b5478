// The "bench" command's work: a fixed list of positions searched to a fixed depth with
// a fixed table size, the table cleared before each. The node total is the search's
// signature; the time gives the speed.
#pragma once

#include <cstdint>
#include <vector>

namespace tolvaren {

class Sucher_t;

constexpr int BenchDepth = 9;  // iterations
constexpr int BenchHashMiB = 16;

struct BenchResult {
    uint64_t nodes = 0;
    int64_t millis = 0;
    // The first position that did not load; the bench stops there, as its figures
    // would no longer be the signature.
    const char* badFen = nullptr;
    uint64_t nodesPerSecond() const { return nodes * 1000 / static_cast<uint64_t>(millis > 0 ? millis : 1); }
};

// The compiled-in positions as FEN.
extern const char* const BenchPositions[];
extern const int BenchPositionCount;

// Searches every bench position synchronously in the caller's thread, `depth`
// iterations deep, printing nothing, with `threads` search threads. When given,
// `positionMillis` receives the time of each position.
BenchResult runBench(Sucher_t& searcher, int depth, int threads = 1,
                     std::vector<int64_t>* positionMillis = nullptr);
// The same over a caller's list of positions.
BenchResult runBench(Sucher_t& searcher, const char* const* positions, int count, int depth, int threads,
                     std::vector<int64_t>* positionMillis);

}  // namespace tolvaren
