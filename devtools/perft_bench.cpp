// Perft speed of the board code: counts the start position (or a FEN given as the
// arguments) to depth 6 without and with a 16 MiB table, printing nodes and nodes per second.
// Usage: perft_bench [depth] [fen...]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/fen.h"
#include "board/perft.h"
#include "board/position.h"

using namespace tolvaren;

int main(int argc, char** argv) {
    const int depth = argc > 1 ? std::atoi(argv[1]) : 6;
    std::string fen;
    for (int i = 2; i < argc; ++i) fen += std::string(argv[i]) + " ";
    static Stellung_t pos;
    Zustand_t state;
    if (fen.empty()) {
        setStartPosition(pos, state);
    } else if (!readFen(pos, state, fen)) {
        std::fprintf(stderr, "unreadable FEN\n");
        return 1;
    }
    for (int hashMiB : {0, 16}) {
        PerftTabelle_t table(static_cast<uint64_t>(hashMiB) << 20);
        const auto start = std::chrono::steady_clock::now();
        const uint64_t nodes = perft(table, pos, state, depth);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("perft depth %d Hash %2d: nodes %llu time %.2f s nps %.0f\n", depth, hashMiB,
                    static_cast<unsigned long long>(nodes), seconds, nodes / (seconds > 0 ? seconds : 1e-9));
    }
}
