// An engine process past its UCI handshake, for tests that search through the protocol.
#pragma once

#include <string>
#include <vector>

#include "support/engine_process.h"

namespace tolvaren::test {

inline bool startsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

inline int countStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    int n = 0;
    for (const std::string& line : lines) n += startsWith(line, prefix);
    return n;
}

struct UciEngine {
    static constexpr int Timeout = 30000;

    EngineProcess process;
    UciEngine() {
        process.send("uci");
        process.readUntil("uciok", Timeout);
    }
    void send(const std::string& line) { process.send(line); }
    // Every line up to and including the next "bestmove" (absent on timeout).
    std::vector<std::string> untilBestMove(int timeoutMs = Timeout) {
        std::vector<std::string> lines;
        const auto best = process.readUntil("bestmove", timeoutMs, &lines);
        if (best) lines.push_back(*best);
        return lines;
    }
    // The next "bestmove" line ("<none>" on timeout).
    std::string bestMoveLine(int timeoutMs = Timeout) {
        return process.readUntil("bestmove", timeoutMs).value_or("<none>");
    }
    // The "bestmove" lines before the answer to "isready"; -1 when no answer comes.
    int bestMovesUntilReady() {
        process.send("isready");
        std::vector<std::string> lines;
        if (!process.readUntil("readyok", Timeout, &lines)) return -1;
        return countStartingWith(lines, "bestmove");
    }
};

}  // namespace tolvaren::test
