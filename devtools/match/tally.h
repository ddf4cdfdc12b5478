// The figures of a running match from the first engine's view: results, game pairs,
// faults, clock left after move 40, search depth and speed; the running score line, the
// sequential test's verdict and the closing block.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "match/game.h"
#include "tools/match_stats.h"

namespace tolvaren::match {

class Tally {
   public:
    explicit Tally(const Settings& s);

    // Game n (from 0; games 2k and 2k + 1 share an opening) with `whiteEngine` as White.
    void add(int64_t n, const GameRecord& g, int whiteEngine);

    int64_t games() const { return summary_.counts.games(); }
    void printRunningScore() const;
    // With --sprt: true once the test accepts a hypothesis.
    bool sprtDecided() const;
    void printClosing(double seconds, int64_t concurrency);

   private:
    MatchSummary summary_;
    std::map<int64_t, double> pairScore_;  // first finished game of a pair, A's score
    std::vector<double> clocks_[2];
    double depthSum_[2] = {}, npsSum_[2] = {};
    int64_t depthCount_[2] = {}, npsCount_[2] = {};
    int64_t worstOverMs_[2] = {INT64_MIN, INT64_MIN};
};

}  // namespace tolvaren::match
