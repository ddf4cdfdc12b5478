// Evaluation benchmark: evaluations per second over a fixed set of positions (random
// legal games from the start position and a few endings, fixed seed), once with the
// material and pawn tables warm and once with both slots cleared before every call.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "eval/evaluate.h"

using namespace tolvaren;

namespace {

struct Sample {
    Stellung_t pos;
    Zustand_t state;
};

std::vector<Sample> collectPositions(size_t wanted) {
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 1",
        "r3k2r/pp1q1ppp/2nbpn2/3p4/3P4/2NBPN2/PP1Q1PPP/R3K2R w KQkq - 0 1",
        "4k3/pp3ppp/2p5/8/8/2P5/PP3PPP/4K3 w - - 0 1",
        "2r3k1/pp3ppp/4b3/8/8/4B3/PP3PPP/2R3K1 w - - 0 1",
    };
    std::vector<Sample> out;
    out.reserve(wanted);
    uint64_t seed = 0x9E3779B97F4A7C15ULL;
    auto next = [&seed] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(seed >> 33);
    };
    static Stellung_t pos;
    static Zustand_t states[2];
    for (int game = 0; out.size() < wanted; ++game) {
        if (!readFen(pos, states[0], starts[game % 5])) std::abort();
        int cur = 0;
        for (int ply = 0; ply < 120 && out.size() < wanted; ++ply) {
            Sample& s = out.emplace_back();
            std::memcpy(&s.pos, &pos, sizeof pos);
            s.state = states[cur];
            Zugliste_t list;
            uint32_t* end = generate(pos, states[cur], list.begin());
            std::vector<Zug_t> legal;
            for (uint32_t* m = list.begin(); m != end; ++m)
                if (leavesKingSafe(pos, states[cur], moveOf(*m))) legal.push_back(moveOf(*m));
            if (legal.empty()) break;
            Rueckzug_t undo;
            if (!playMove(pos, legal[next() % legal.size()], states[cur], states[cur ^ 1], undo)) break;
            cur ^= 1;
        }
    }
    return out;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::vector<Sample> samples = collectPositions(4000);
    auto material = std::make_unique<Materialtabelle_t>();
    auto pawns = std::make_unique<Bauerntabelle_t>();
    int64_t checksum = 0;

    for (const Sample& s : samples) checksum += evaluate(s.pos, s.state, *material, *pawns);  // fill
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r)
        for (const Sample& s : samples) checksum += evaluate(s.pos, s.state, *material, *pawns);
    const double warm = seconds(start);

    start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r)
        for (const Sample& s : samples) {
            // Force both probes to miss.
            material->entry[s.state.materialKey & (MaterialTableSize - 1)].key = ~s.state.materialKey;
            pawns->entry[s.state.pawnKey & (PawnTableSize - 1)].key = ~s.state.pawnKey;
            checksum += evaluate(s.pos, s.state, *material, *pawns);
        }
    const double cold = seconds(start);

    const double evals = static_cast<double>(samples.size()) * rounds;
    std::printf("eval bench: %zu positions x %d rounds, checksum %lld\n", samples.size(), rounds,
                static_cast<long long>(checksum));
    std::printf("eval warm: %.0f evals/s (%.1f ns each)\n", evals / warm, warm * 1e9 / evals);
    std::printf("eval cold: %.0f evals/s (%.1f ns each)\n", evals / cold, cold * 1e9 / evals);
    return 0;
}
