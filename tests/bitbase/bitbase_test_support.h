// Helpers shared by the bitbase file tests: a scratch directory, whole-file reads and
// writes, quiet generation, and three-valued result arrays built byte by byte.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bitbase/bitbase_generator.h"

namespace tolvaren::testing {

using Bytes = std::vector<uint8_t>;

// A fresh directory, removed with everything in it when the test ends.
class ScratchDirectory {
   public:
    ScratchDirectory() {
        std::string pattern = std::string(::testing::TempDir()) + "tolvaren_bitbase_XXXXXX";
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
        EXPECT_FALSE(path_.empty());
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

   private:
    std::string path_;
};

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Lines of a text file without their line feeds.
inline std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Generates the materials in order into dir with the output thrown away; false when one fails.
inline bool generateQuietly(const std::string& dir, std::initializer_list<const char*> names,
                            int threads = 1) {
    BitbaseGenerationOptions options;
    options.directory = dir;
    options.threads = threads;
    options.cacheBytes = 1 << 20;
    std::FILE* sink = std::tmpfile();
    options.out = options.err = sink;
    bool ok = true;
    for (const char* name : names) ok = ok && generateBitbase(name, options) == 0;
    std::fclose(sink);
    return ok;
}

// The 1024 result bytes of one block whose output byte j must have the bits low[j]
// (value 3), may have the bits up[j] (free, value 0) and has no others (value 1).
inline Bytes blockValues(const Bytes& low, const Bytes& up) {
    Bytes values(1024, 0);
    for (int j = 0; j < 512; ++j)
        for (int t = 0; t < 8; ++t) {
            const int value = (low[j] >> t & 1) ? 3 : (up[j] >> t & 1) ? 0 : 1;
            const int index = 8 * j + t;
            values[index >> 2] |= static_cast<uint8_t>(value << (2 * (index & 3)));
        }
    return values;
}

}  // namespace tolvaren::testing
