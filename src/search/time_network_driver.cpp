#include "search/time_network_driver.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "search/move_tests.h"
#include "search/options.h"
#include "search/output.h"
#include "search/search.h"

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
    r.inCheck = sideToMoveInCheck(pos, rootState);
    r.captureOrSpecial = best != 0 && ((pos.sides[them].pieces[AllPieces] & bit(moveTo(best))) != 0 ||
                                       moveKind(best) >= ZugUmwSpringer);
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

void Suche_t::startTimeBookkeeping() {
    iterationNow_ = iterationBefore_ = Iterationsmerkmale_t{};
    timeLog_.clear();
    const std::string name = options_->text(OptionTimeLogfile);
    logTime_ = name != "/dev/null";
    timeLogFile_ = logTime_ ? name : std::string();
}

double Suche_t::timeFactorAfterIteration(int iteration, int32_t score) {
    iterationBefore_ = iterationNow_;
    Zug_t pv[MaxPvLength + 1];
    const Zug_t best = static_cast<Zug_t>(root().bestMove);
    int length = best != 0 ? tablePv(best, pv) : 0;
    if (length == 0 && best != 0) {
        pv[0] = best;  // the record keeps the best move even if the table walk refused it
        length = 1;
    }
    iterationNow_ =
        describeIteration(pos_, root().state(), rootList_.data(), static_cast<int>(rootList_.size()), pv,
                          length, score, iterationBefore_);
    return timeNet_.factorAfterIteration(iteration, nodes_, opening_, iterationNow_, iterationBefore_,
                                         timeInput_);
}

void Suche_t::logIteration(double factor, bool continues) {
    if (logTime_) timeLog_.record(timeInput_, factor, continues ? 1 : 0, nodes_);
}

void Suche_t::writeTimeLog() {
    if (!logTime_ || timeLog_.append(timeLogFile_.c_str())) return;
    // The search itself is unaffected; the user should still learn that the log is missing.
    char text[OptionTextSize + 32];
    std::snprintf(text, sizeof text, "error writing file: %s", timeLogFile_.c_str());
    output_->message(text);
}

}  // namespace tolvaren
