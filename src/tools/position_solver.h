// A searcher with its own table, options and silent sink that searches one position
// at a time under a fixed limit and says which move it chose. Each worker thread of
// the batch and regression tools owns one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "board/move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "search/options.h"
#include "search/search.h"
#include "search/time_control.h"
#include "tools/test_output.h"

namespace tolvaren {

// The limit of one search: milliseconds or nodes (the other one 0).
struct SolveLimit {
    int64_t movetime = 0;
    int64_t nodes = 0;
};

struct Solution {
    bool valid = false;  // the text was a position
    size_t fenEnd = 0;   // where the position's fields end in the text (any opcodes follow)
    Stellung_t position{};
    Zustand_t state{};
    Zug_t legal[MaxMoves] = {};
    int legalCount = 0;
    Zug_t best = 0;  // the chosen move, 0 when it is none of the legal moves (or none exists)
    uint64_t nodes = 0;
};

class PositionSolver {
   public:
    explicit PositionSolver(int hashMiB);

    // Reads `fen`; a text that is no position is left unsearched (valid false). The
    // table is cleared first, so that the choice does not depend on earlier positions.
    void solve(std::string_view fen, SolveLimit limit, Solution& result);
    // The same for a position of a game; its key history lets the search see repetitions.
    void solve(const Stellung_t& pos, const Zustand_t& state, SolveLimit limit, Solution& result);

   private:
    void search(SolveLimit limit, Solution& result);

    Suche_t searcher_;
    TestAusgabe_t sink_;
    Optionen_t options_{engineOptionTable};
    Zeitkontrolle_t time_;
};

}  // namespace tolvaren
