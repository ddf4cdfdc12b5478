// A whole match: `concurrency` workers take the next game number in turn, each opening in
// a fixed random order played twice with the colours swapped; finished games are printed,
// written to the game file and counted, and the closing block ends the run.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "match/command_line.h"
#include "match/game.h"
#include "match/openings.h"
#include "match/tally.h"

namespace tolvaren::match {

class Match {
   public:
    // `stop` ends the match early (a signal, or the sequential test deciding); games in
    // play then are not counted.
    Match(const Settings& s, std::vector<Opening> openings, std::atomic<bool>& stop);
    ~Match();

    void run();

   private:
    void work();
    void record(int64_t n, const GameRecord& g, const Opening& opening, int whiteEngine);

    const Settings& s_;
    std::vector<Opening> openings_;
    std::vector<size_t> order_;
    std::atomic<bool>& stop_;
    std::mutex mutex_;  // guards everything below
    int64_t next_ = 0;
    Tally tally_;
    std::FILE* pgn_ = nullptr;
};

}  // namespace tolvaren::match
