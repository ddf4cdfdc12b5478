// Bitbase generation by retrograde analysis: computes whether side 0 wins every
// position of one material, reading the smaller materials' files for captures and
// promotions, and writes <name>.abb. The command-line modes run it on one or more threads.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tolvaren {

struct BitbaseGenerationOptions {
    int threads = 1;              // 2 or more: the parallel run
    std::string directory = ".";  // where the smaller files are read and the new one is written
    std::FILE* out = stdout;      // iteration lines
    std::FILE* err = stderr;      // failures
    uint64_t cacheBytes = 0;      // 0: the default for the material's piece count
};

// Generates and writes the bitbase of `materialName`. Returns 0 on success; otherwise
// a message went to options.err, no file was written, and the result is non-zero.
int generateBitbase(const char* materialName, const BitbaseGenerationOptions& options = {});

}  // namespace tolvaren
