// The search driver's side of the time network: after each iteration it describes the
// iteration for the network (how stable the best move, the variation and the score were),
// asks the network for the time factor and keeps the time log that is written when the
// search ends. The log itself is Zeitprotokoll_t, the network Zeitnetz_t.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/move.h"
#include "board/position.h"
#include "net/time_log.h"
#include "net/time_network.h"
#include "search/root_moves.h"

namespace tolvaren {

class Ausgabe_t;

// The record of an iteration that has just ended. pv holds the principal variation, its first
// move being the iteration's best move (length 0: no best move); rootList the root moves with
// the nodes each took; pos and rootState the root position. The change history continues
// previous, the record of the iteration before (all zero before the first one).
Iterationsmerkmale_t describeIteration(const Stellung_t& pos, const Zustand_t& rootState,
                                       const Wurzelzug_t* rootList, int rootCount, const Zug_t* pv,
                                       int pvLength, int32_t score, const Iterationsmerkmale_t& previous);

// One search's records of its iterations, the network's inputs and the time log.
class TimeBookkeeping {
   public:
    // A new search; a log file named "/dev/null" keeps no log.
    void start(const std::string& logFile);
    // After iteration `iteration` (0-based) with the root position, its moves, the iteration's
    // principal variation and score: the factor for Zeitkontrolle_t::iterationTest.
    double factorAfterIteration(int iteration, const Stellung_t& pos, const Zustand_t& rootState,
                                const std::vector<Wurzelzug_t>& rootList, const Zug_t* pv, int pvLength,
                                int32_t score, uint64_t nodes, bool opening);
    // Keeps the last iteration's line with the factor and whether the search continues.
    void logIteration(double factor, bool continues, uint64_t nodes) {
        if (logging_) log_.record(input_, factor, continues ? 1 : 0, nodes);
    }
    // Appends the kept lines to the log file; a failure is told through `output`.
    void writeLog(Ausgabe_t& output);

   private:
    Zeitnetz_t net_;
    Iterationsmerkmale_t now_, before_;
    ZeitnetzEingabe_t input_;  // the network's input for the iteration just ended
    Zeitprotokoll_t log_;
    bool logging_ = false;
    std::string logFile_;
};

}  // namespace tolvaren
