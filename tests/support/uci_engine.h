// An engine process past its UCI handshake, for tests that search through the protocol.
#pragma once

#include <string>
#include <vector>

#include "support/engine_process.h"

namespace tolvaren::test {

struct UciEngine {
    static constexpr int Timeout = 30000;

    EngineProcess process;
    UciEngine() {
        process.send("uci");
        process.readUntil("uciok", Timeout);
    }
    void send(const std::string& line) { process.send(line); }
    // Every line up to and including the next "bestmove" (absent on timeout).
    std::vector<std::string> untilBestMove() {
        std::vector<std::string> lines;
        const auto best = process.readUntil("bestmove", Timeout, &lines);
        if (best) lines.push_back(*best);
        return lines;
    }
};

}  // namespace tolvaren::test
