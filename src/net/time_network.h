// The time network: after each iteration it reads 16 numbers describing how stable the search
// has been and returns the factor the time control uses to allow or refuse another iteration.
// The search driver owns one per searcher; the trainer trains networks of the same shape.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/move.h"
#include "net/neural_network.h"

namespace tolvaren {

constexpr int TimeNetInputs = 16;

// What the driver records about one iteration; the network compares it with the previous one.
struct Iterationsmerkmale_t {
    uint8_t changedNow = 0;        // the best move changed in this iteration
    uint8_t changedBefore = 0;     // ... in the previous iteration
    uint8_t changedTwoAgo = 0;     // ... two iterations ago
    uint8_t inCheck = 0;           // the side to move is in check
    uint8_t captureOrSpecial = 0;  // the best move captures, promotes, castles or takes en passant
    int32_t rootMoves = 0;
    int32_t attackedSquares = 0;  // squares attacked by the side to move
    uint64_t bestMoveNodes = 0;
    uint64_t largestOtherNodes = 0;
    uint64_t secondLargestOtherNodes = 0;
    uint64_t totalNodes = 0;  // over all root moves
    Zug_t pv[4] = {};         // first four moves of the principal variation, 0 when shorter
    int32_t score = 0;

    // Starts this record from the previous iteration's: the change history moves down one place.
    void shiftChanges(const Iterationsmerkmale_t& previous, bool changed);
    // Fills the four node counts from the root moves' counts; best indexes the best move.
    void setRootNodes(const uint64_t* nodes, int count, int best);
};

// The 16 inputs as one text line (each value followed by a blank) and the values read back from
// it, so the network sees exactly what a log line holds.
struct ZeitnetzEingabe_t {
    static constexpr std::size_t TextSize = 224;
    char text[TextSize] = {};
    double values[TimeNetInputs] = {};
};

class Zeitnetz_t : public NeuroNetz_t {
   public:
    // The network embedded in the program, the one every search uses.
    Zeitnetz_t();
    // 16 inputs, `hidden` hidden nodes, one output, fully connected, all weights 0.
    explicit Zeitnetz_t(int hidden);

    static ZeitnetzEingabe_t encodeInputs(const Iterationsmerkmale_t& current,
                                          const Iterationsmerkmale_t& previous);
    // Reads a line of 16 values; false when it holds fewer.
    static bool decodeInputs(const char* text, double values[TimeNetInputs]);

    double timeFactor(const double inputs[TimeNetInputs]);
    void trainStep(double target, double c);

    // The text of the embedded network.
    static const char* embeddedText();

    // The driver's step after an iteration: encodes the records into `encoded` and returns the
    // factor for iterationTest (see iterationTimeFactor), evaluating the network only when it decides.
    double factorAfterIteration(int iteration, uint64_t nodes, bool opening,
                                const Iterationsmerkmale_t& current, const Iterationsmerkmale_t& previous,
                                ZeitnetzEingabe_t& encoded);
};

constexpr double DefaultTimeFactor = 0.08;
constexpr double OpeningTimeFactor = 0.15;
constexpr double OpeningFactorBonus = 0.07;
constexpr double MinTimeFactor = 0.02;
constexpr int TimeNetFirstIteration = 2;
constexpr uint64_t TimeNetMinNodes = 5000;

// True when the network decides the factor: from iteration 2 on (0-based) with more than 5000
// nodes searched. Before that its inputs are too noisy to trust.
constexpr bool timeNetworkDecides(int iteration, uint64_t nodes) {
    return iteration >= TimeNetFirstIteration && nodes > TimeNetMinNodes;
}

// The factor handed to Zeitkontrolle_t::iterationTest after `iteration` (0-based) with `nodes`
// searched so far. `opening` is the driver's opening flag; `networkOutput` is the network's
// output for this iteration and is ignored when the network does not decide. At least 0.02.
double iterationTimeFactor(int iteration, uint64_t nodes, bool opening, double networkOutput);

}  // namespace tolvaren
