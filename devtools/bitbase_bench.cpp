// Bitbase block benchmark: blocks decoded per second (the probe's cost on a cache
// miss) and encoded per second (the writer's), over blocks made by the writer from a
// synthetic but board-shaped result array of a four-piece material; and probes per
// second answered from cached blocks (the search's cost on a hit), on KTK and KKT
// files generated into a scratch directory.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bitbase/bitbase_cache.h"
#include "bitbase/bitbase_generator.h"
#include "bitbase/bitbase_position.h"
#include "bitbase/bitbase_writer.h"
#include "bitbase/block_codec.h"
#include "board/bitboard.h"

using namespace tolvaren;

namespace {

int distance(int a, int b) {
    const int rows = std::abs((a >> 3) - (b >> 3)), files = std::abs((a & 7) - (b & 7));
    return rows > files ? rows : files;
}

// 0 free for impossible positions, else 3 (win) or 1 by a rule with the geometry of
// real results: the defending king near an edge, or the rook out of its reach.
std::vector<uint8_t> syntheticValues(const char* name) {
    BitbaseStellung_t p;
    if (!p.setMaterial(name)) std::abort();
    std::vector<uint8_t> values((p.size + 3) / 4);
    for (uint64_t i = 0; i < p.size; ++i) {
        p.setIndex(i);
        const int k0 = p.pieces[0].square, rook = p.pieces[1].square, k1 = p.pieces[2].square,
                  knight = p.pieces[3].square;
        int v = 0;
        if (!p.invalid() && !p.absent(1) && !p.absent(3) && distance(k0, k1) > 1 && rook != k1 &&
            knight != k0 && rook != knight && p.index() == i) {
            const int row = k1 >> 3, file = k1 & 7;
            const bool edge = row == 0 || row == 7 || file == 0 || file == 7;
            v = (edge || (p.sideToMove == 0 && distance(rook, k1) > 2 && distance(knight, rook) > 2)) ? 3 : 1;
        }
        values[i >> 2] |= static_cast<uint8_t>(v << (2 * (i & 3)));
    }
    return values;
}

// Thread CPU time: the figures stay meaningful on a machine shared with other work.
double cpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Cached probes per second: both files fit the cache, so after one warming pass no
// probe reads a file.
void probeBench(int rounds) {
    const std::string dir = std::filesystem::temp_directory_path() / "tolvaren_probe_bench";
    std::filesystem::create_directories(dir);
    BitbaseGenerationOptions options;
    options.directory = dir;
    options.out = options.err = std::tmpfile();
    if (generateBitbase("KTK", options) != 0 || generateBitbase("KKT", options) != 0) {
        std::printf("bitbase probe: could not generate KTK and KKT\n");
        return;
    }
    std::fclose(options.out);
    BitbaseCache_t cache(4 << 20);
    cache.setPath(dir);
    struct Sample {
        int types0[7], types1[7], squares0[6], squares1[6], side;
    };
    std::vector<Sample> samples;
    std::mt19937 random(1);
    while (samples.size() < 4096) {
        const int a = static_cast<int>(random() % 64), b = static_cast<int>(random() % 64),
                  c = static_cast<int>(random() % 64);
        if (a == b || a == c || b == c) continue;
        samples.push_back({{King, Rook, 0}, {King, 0}, {a, b}, {c}, static_cast<int>(random() % 2)});
    }
    long sum = 0;
    for (Sample& x : samples) {
        int r = 0;
        cache.probe(x.types0, x.types1, x.squares0, x.squares1, x.side, -1, false, r);
    }
    const double start = cpuSeconds();
    for (int round = 0; round < rounds; ++round)
        for (Sample& x : samples) {
            int r = 0;
            cache.probe(x.types0, x.types1, x.squares0, x.squares1, x.side, -1, true, r);
            sum += r;
        }
    const double time = cpuSeconds() - start;
    const double probes = static_cast<double>(samples.size()) * rounds;
    std::printf("bitbase probe: %.0f cached probes/s (%.0f ns each, CPU time), checksum %ld\n", probes / time,
                time * 1e9 / probes, sum);
    std::filesystem::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::vector<uint8_t> values = syntheticValues("KTKS");
    const size_t blocks = values.size() / BlockValueBytes;

    std::vector<std::vector<uint8_t>> streams;
    size_t packedBytes = 0;
    double encodeTime = 0;
    for (size_t k = 0; k < blocks; ++k) {
        uint8_t block[BlockBytes], packed[MaxCompressedBlockBytes];
        chooseBlockBits(values.data() + k * BlockValueBytes, block);
        bool uniform = true;
        for (int i = 1; i < BlockBytes; ++i) uniform &= block[i] == block[0];
        if (uniform) continue;
        const double start = cpuSeconds();
        const int n = compressBlock(block, packed);
        encodeTime += cpuSeconds() - start;
        streams.emplace_back(packed, packed + n);
        packedBytes += static_cast<size_t>(n);
    }

    uint8_t out[BlockBytes];
    long checksum = 0;
    const double start = cpuSeconds();
    for (int r = 0; r < rounds; ++r)
        for (const auto& s : streams) {
            checksum += decodeBlock(s.data(), s.size(), out);
            checksum += out[r & 511];
        }
    const double decodeTime = cpuSeconds() - start;
    const double decoded = static_cast<double>(streams.size()) * rounds;

    std::printf(
        "bitbase blocks: %zu of %zu not uniform, %.1f bytes each compressed (%.1f%% of 512), checksum %ld\n",
        streams.size(), blocks, static_cast<double>(packedBytes) / streams.size(),
        100.0 * packedBytes / streams.size() / BlockBytes, checksum);
    std::printf("bitbase decode: %.0f blocks/s (%.0f ns each, CPU time)\n", decoded / decodeTime,
                decodeTime * 1e9 / decoded);
    std::printf("bitbase encode: %.0f blocks/s (%.0f us each, CPU time)\n", streams.size() / encodeTime,
                encodeTime * 1e6 / streams.size());
    probeBench(rounds * 25);
    return 0;
}
