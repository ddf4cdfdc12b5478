// Book benchmark: writes a book of over 100000 entries (a random tree from the start
// position, fixed seed), times loading it, then probes positions of the tree, both
// sides to move, and prints probes per second.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"

using namespace tolvaren;

namespace {

// Children per node by depth; below the fan the tree goes on as single lines.
constexpr int Fan[] = {8, 6, 5, 4, 3};
constexpr int FanDepth = sizeof Fan / sizeof Fan[0];
constexpr int LineLength = 40;
constexpr int SampleEvery = 8;

struct TreeWriter {
    std::FILE* out;
    uint64_t seed = 0x2545F4914F6CDD1DULL;
    size_t entries = 0;
    size_t nodes = 0;
    std::vector<Stellung_t> samples;

    uint32_t next() {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(seed >> 33);
    }

    void node(Stellung_t& pos, const Zustand_t& state, int depth) {
        if (nodes++ % SampleEvery == 0) samples.push_back(pos);
        Zugliste_t list;
        uint32_t* end = generate(pos, state, list.begin());
        std::vector<Zug_t> legal;
        for (uint32_t* m = list.begin(); m != end; ++m)
            if (leavesKingSafe(pos, state, moveOf(*m))) legal.push_back(moveOf(*m));
        const int want = depth < FanDepth ? Fan[depth] : depth < FanDepth + LineLength ? 1 : 0;
        for (int i = 0; i < want && !legal.empty(); ++i) {
            const size_t k = next() % legal.size();
            const Zug_t move = legal[k];
            legal.erase(legal.begin() + static_cast<std::ptrdiff_t>(k));
            char text[8];
            const int weight = next() % 16 == 0 ? 0 : static_cast<int>(1 + next() % 100);
            std::fprintf(out, "%s %d ", writeCoordinate(pos, move, text), weight);
            entries += weight > 0;
            Zustand_t after;
            Rueckzug_t undo;
            if (playMove(pos, move, state, after, undo)) {
                node(pos, after, depth + 1);
                takeBack(undo);
            }
            std::fputs("*\n", out);
        }
    }
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
    const std::string path = "/tmp/tolvaren_book_bench_" + std::to_string(::getpid()) + ".opn";
    TreeWriter writer;
    writer.out = std::fopen(path.c_str(), "w");
    if (!writer.out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    auto pos = std::make_unique<Stellung_t>();
    Zustand_t state;
    setStartPosition(*pos, state);
    writer.node(*pos, state, 0);
    std::fputs("*\n", writer.out);
    std::fclose(writer.out);

    Buch_t book;
    double loadBest = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = book.load(path);
        loadBest = std::min(loadBest, seconds(start));
        if (!ok) {
            std::fprintf(stderr, "the generated book did not load\n");
            std::remove(path.c_str());
            return 1;
        }
    }

    // Every probe repeats the work of the search's book step, draw and ponder move included.
    int64_t probes = 0, hits = 0;
    const auto start = std::chrono::steady_clock::now();
    double elapsed = 0;
    while (elapsed < 1.0) {
        for (const Stellung_t& p : writer.samples) {
            Zug_t move = 0, ponder = 0;
            hits += book.probe(path, p, move, &ponder);
        }
        probes += static_cast<int64_t>(writer.samples.size());
        elapsed = seconds(start);
    }
    std::remove(path.c_str());
    std::printf("book: entries %zu load %.0f ms probes %lld hits %lld probes/s %.0f\n", book.entries().size(),
                loadBest * 1000, static_cast<long long>(probes), static_cast<long long>(hits),
                probes / elapsed);
    return 0;
}
