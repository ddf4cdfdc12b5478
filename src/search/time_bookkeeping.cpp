#include "search/time_bookkeeping.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "search/move_tests.h"
#include "search/options.h"
#include "search/output.h"

namespace tolvaren {

Iterationsmerkmale_t describeIteration(const Stellung_t& pos, const Zustand_t& rootState,
                                       const Wurzelzug_t* rootList, int rootCount, const Zug_t* pv,
                                       int pvLength, int32_t score, const Iterationsmerkmale_t& previous) {
    Iterationsmerkmale_t r;
    for (int k = 0; k < 4; ++k) r.pv[k] = k < pvLength ? pv[k] : 0;
    const Zug_t best = r.pv[0];
    // The first iteration has nothing to change from.
    r.shiftChanges(previous, previous.pv[0] != 0 && best != previous.pv[0]);

    const int us = pos.side, them = us ^ 1;
    r.inCheck = inCheck(pos, rootState);
    r.captureOrSpecial =
        best != 0 && ((pos.sides[them].pieces[AllPieces] & bit(moveTo(best))) != 0 || isSpecial(best));
    r.attackedSquares = popCount(rootState.by(us).attacked);

    const int count = std::clamp(rootCount, 0, MaxMoves);
    uint64_t nodes[MaxMoves];
    int bestIndex = -1;
    for (int i = 0; i < count; ++i) {
        nodes[i] = rootList[i].nodes;
        if (rootList[i].move == best) bestIndex = i;
    }
    r.rootMoves = count;
    r.setRootNodes(nodes, count, bestIndex);
    r.score = score;
    return r;
}

void TimeBookkeeping::start(const std::string& logFile) {
    now_ = before_ = Iterationsmerkmale_t{};
    log_.clear();
    logging_ = logFile != "/dev/null";
    logFile_ = logging_ ? logFile : std::string();
}

double TimeBookkeeping::factorAfterIteration(int iteration, const Stellung_t& pos, const Zustand_t& rootState,
                                             const std::vector<Wurzelzug_t>& rootList, const Zug_t* pv,
                                             int pvLength, int32_t score, uint64_t nodes, bool opening) {
    before_ = now_;
    now_ = describeIteration(pos, rootState, rootList.data(), static_cast<int>(rootList.size()), pv, pvLength,
                             score, before_);
    return net_.factorAfterIteration(iteration, nodes, opening, now_, before_, input_);
}

void TimeBookkeeping::writeLog(Ausgabe_t& output) {
    if (!logging_ || log_.append(logFile_.c_str())) return;
    // The search itself is unaffected; the user should still learn that the log is missing.
    char text[OptionTextSize + 32];
    std::snprintf(text, sizeof text, "error writing file: %s", logFile_.c_str());
    output.message(text);
}

}  // namespace tolvaren
