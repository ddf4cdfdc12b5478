// Helpers shared by the bitbase tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "bitbase/bitbase_generator.h"
#include "support/test_files.h"

namespace tolvaren::test {

using Bytes = std::vector<uint8_t>;
using ScratchDirectory = test::TempDir;  // removed with everything in it when the test ends

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An index entry of a bitbase file: the offset little-endian, then the length code.
inline Bytes indexEntry(uint32_t offset, uint8_t code) {
    return {static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8),
            static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 24), code};
}

struct GenerationRun {
    int status = 0;
    std::string out, err;
};

// Generates one material into dir, its iteration lines and failures kept as text.
inline GenerationRun generate(const std::string& dir, const char* name, int threads = 1) {
    BitbaseGenerationOptions options;
    options.directory = dir;
    options.threads = threads;
    options.cacheBytes = 1 << 20;
    options.out = std::tmpfile();
    options.err = std::tmpfile();
    GenerationRun run;
    run.status = generateBitbase(name, options);
    for (auto [file, text] : {std::pair{options.out, &run.out}, {options.err, &run.err}}) {
        std::rewind(file);
        for (int c; (c = std::fgetc(file)) != EOF;) *text += static_cast<char>(c);
        std::fclose(file);
    }
    return run;
}

// Generates the materials in order; false when one fails.
inline bool generateQuietly(const std::string& dir, std::initializer_list<const char*> names,
                            int threads = 1) {
    for (const char* name : names)
        if (generate(dir, name, threads).status != 0) return false;
    return true;
}

}  // namespace tolvaren::test
