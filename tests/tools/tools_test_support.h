// Helpers of the tool tests: temporary files, captured output streams and a legality
// check for the moves the tools write.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"

namespace tolvaren::test {

constexpr int ToolTimeout = 30000;
inline const char* const MateInOne = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1";  // Ra8 among 20 moves

inline std::string tempName(const std::string& name) {
    return std::string(::testing::TempDir()) + "tolvaren_tools_" + name + "_" + std::to_string(::getpid());
}

inline bool startsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

inline void writeFile(const std::string& name, const std::string& text) {
    std::ofstream(name) << text;
}

inline std::vector<std::string> readLines(const std::string& name) {
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// Text written to a temporary stream, for the tools' standard output and error.
struct Capture {
    std::FILE* file = std::tmpfile();
    ~Capture() { std::fclose(file); }
    std::vector<std::string> lines() {
        std::fflush(file);
        std::rewind(file);
        std::vector<std::string> result;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, file)) {
            std::string l(buffer);
            if (!l.empty() && l.back() == '\n') l.pop_back();
            result.push_back(l);
        }
        return result;
    }
};

inline bool legalIn(const std::string& fen, const std::string& move) {
    Stellung_t pos;
    Zustand_t state;
    if (!readFen(pos, state, fen)) return false;
    const Zug_t m = readCoordinate(pos, move);
    return m != 0 && isLegal(pos, m, state);
}

}  // namespace tolvaren::test
