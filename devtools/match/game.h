// One game of a match: a worker keeps a pair of engine processes, plays an opening line
// and then the engines' moves under the clock, and returns what happened, faults included.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "match/command_line.h"
#include "match/engine_process.h"
#include "match/openings.h"

namespace tolvaren::match {

enum class Fault { None, Illegal, Crash, Time };

struct GameRecord {
    bool aborted = false;
    int result = 0;  // +1 White wins, -1 Black wins, 0 draw
    std::string reason, termination = "normal";
    Fault fault = Fault::None;
    int faultEngine = -1;
    double clock40[2] = {-1, -1};  // by engine
    double depthSum[2] = {}, npsSum[2] = {};
    int64_t depthCount[2] = {}, npsCount[2] = {};
    int64_t worstOverMs[2] = {INT64_MIN, INT64_MIN};  // largest time used minus time allowed
    std::vector<std::string> san;                     // every move, the opening's too
};

// "1-0", "0-1" or "1/2-1/2".
std::string resultText(int result);

class Worker {
   public:
    // A raised `stop` aborts the game in play; it is not counted.
    Worker(const Settings& s, const std::atomic<bool>& stop) : s_(s), stop_(stop) {}
    ~Worker() {
        for (EngineProcess& e : engines_) e.quit();
    }

    // Engine `whiteEngine` (0 or 1) has White.
    GameRecord play(const Opening& opening, int whiteEngine);

   private:
    bool prepare(int e) {
        if (engines_[e].alive() && engines_[e].send("ucinewgame") && engines_[e].isReady(10000)) return true;
        return engines_[e].start(s_.engines[e]);
    }
    bool adjudicate(const std::vector<std::optional<int>> scores[2], int mover, int moveNumber, GameRecord& g,
                    int whiteEngine);

    const Settings& s_;
    const std::atomic<bool>& stop_;
    EngineProcess engines_[2];
};

}  // namespace tolvaren::match
