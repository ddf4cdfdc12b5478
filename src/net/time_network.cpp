#include "net/time_network.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace tolvaren {

namespace {

// The trained 16-5-1 network. Weight rows: inputs 1 to 16 (to hidden 0..4), the bias node (to
// hidden 0..4 and the output), then hidden 0..4 to the output.
constexpr char EmbeddedText[] =
    "347 \n"
    "3 0 16 1 5 2 1 0 0 1 0 0 0 1 1 0 0 1 2 0 0 1 3 0 0 1 4 0 1 1 \n"
    "0 0 1 1 1 0 1 1 2 0 1 1 3 0 1 1 4 0 2 1 0 0 2 1 1 0 2 1 2 0 \n"
    "2 1 3 0 2 1 4 0 3 1 0 0 3 1 1 0 3 1 2 0 3 1 3 0 3 1 4 0 4 1 \n"
    "0 0 4 1 1 0 4 1 2 0 4 1 3 0 4 1 4 0 5 1 0 0 5 1 1 0 5 1 2 0 \n"
    "5 1 3 0 5 1 4 0 6 1 0 0 6 1 1 0 6 1 2 0 6 1 3 0 6 1 4 0 7 1 \n"
    "0 0 7 1 1 0 7 1 2 0 7 1 3 0 7 1 4 0 8 1 0 0 8 1 1 0 8 1 2 0 \n"
    "8 1 3 0 8 1 4 0 9 1 0 0 9 1 1 0 9 1 2 0 9 1 3 0 9 1 4 0 10 1 \n"
    "0 0 10 1 1 0 10 1 2 0 10 1 3 0 10 1 4 0 11 1 0 0 11 1 1 0 11 1 2 0 \n"
    "11 1 3 0 11 1 4 0 12 1 0 0 12 1 1 0 12 1 2 0 12 1 3 0 12 1 4 0 13 1 \n"
    "0 0 13 1 1 0 13 1 2 0 13 1 3 0 13 1 4 0 14 1 0 0 14 1 1 0 14 1 2 0 \n"
    "14 1 3 0 14 1 4 0 15 1 0 0 15 1 1 0 15 1 2 0 15 1 3 0 15 1 4 1 0 2 \n"
    "0 1 1 2 0 1 2 2 0 1 3 2 0 1 4 2 0 \n"
    "0.6275836333 -19.9999999 -0.06253105923 -0.3596320257 -19.9999999 \n"
    "0.06278561951 -19.9999999 -0.2112403939 0.6793484627 0.1183560699 \n"
    "-0.09292266371 -1.019498095 -0.1202933758 1.002051817 -0.5531408118 \n"
    "-0.2221900195 -0.004265942641 0.1231033914 0.4824774848 -0.7481742957 \n"
    "-0.2226497031 0.06008965641 0.1410587495 -1.098301066 1.364427184 \n"
    "-0.1381748152 -0.06547544066 0.1712910475 0.01164627651 -2.435462881 \n"
    "-0.4153831943 -0.4209207458 0.2483441281 0.2665671449 1.100473094 \n"
    "-0.2477733206 -0.353823439 0.2963732792 -1.178037474 1.17724237 \n"
    "-0.1107771975 -0.05985023601 0.1682390036 -1.181033505 1.631218473 \n"
    "0.2133896946 -0.2661337463 -0.02348280633 -1.436029735 0.6870926396 \n"
    "-0.1616738614 -0.05762153231 0.1382989887 -1.747358655 2.289928079 \n"
    "-0.4449287887 -0.2108336523 0.3289296576 -0.04253281253 -1.312139489 \n"
    "1.527321521 -0.3084476567 0.1979119986 -1.886759747 2.922405041 \n"
    "1.936030688 0.2005538985 -0.4337328556 0.5349696547 1.784540245 \n"
    "0.3580909435 0.6250239354 -0.3257086194 1.683590574 7.10233402 \n"
    "-0.3270687619 -0.1687356685 0.2147139257 10.97684069 -13.22039679 \n"
    "-2.229986814 -0.4655993964 0.4488665032 1.47863138 -1.707457195 0.02515350503 \n"
    "-0.2688509211 \n"
    "-0.2129239249 \n"
    "-0.5034767092 \n"
    "-0.05195119445 \n"
    "-0.04761059726 \n";

// Expected score of the side to move, with the score scaled to centipawns and a little more.
double winExpectation(int32_t score) {
    return 1.0 / (1.0 + std::pow(10.0, -(score * 110.0 / 1000.0) / 400.0));
}

}  // namespace

void Iterationsmerkmale_t::shiftChanges(const Iterationsmerkmale_t& previous, bool changed) {
    changedNow = changed ? 1 : 0;
    changedBefore = previous.changedNow;
    changedTwoAgo = previous.changedBefore;
}

void Iterationsmerkmale_t::setRootNodes(const uint64_t* nodes, int count, int best) {
    bestMoveNodes = largestOtherNodes = secondLargestOtherNodes = totalNodes = 0;
    for (int i = 0; i < count; ++i) {
        totalNodes += nodes[i];
        if (i == best) {
            bestMoveNodes = nodes[i];
        } else if (nodes[i] > largestOtherNodes) {
            secondLargestOtherNodes = largestOtherNodes;
            largestOtherNodes = nodes[i];
        } else if (nodes[i] > secondLargestOtherNodes) {
            secondLargestOtherNodes = nodes[i];
        }
    }
}

Zeitnetz_t::Zeitnetz_t() : NeuroNetz_t(3) {
    std::istringstream text(EmbeddedText);
    [[maybe_unused]] const bool ok = read(text);
    // The text is part of the program; a test guards that it reads.
    assert(ok);
}

Zeitnetz_t::Zeitnetz_t(int hidden) : NeuroNetz_t(3) {
    setLayerSize(0, TimeNetInputs);
    setLayerSize(1, hidden);
    setLayerSize(2, 1);
    for (int i = 0; i < TimeNetInputs; ++i)
        for (int j = 0; j < hidden; ++j) connect(0, i, 1, j);
    for (int j = 0; j < hidden; ++j) connect(1, j, 2, 0);
    finish();
}

const char* Zeitnetz_t::embeddedText() {
    return EmbeddedText;
}

ZeitnetzEingabe_t Zeitnetz_t::encodeInputs(const Iterationsmerkmale_t& current,
                                           const Iterationsmerkmale_t& previous) {
    const Iterationsmerkmale_t& r = current;
    const Iterationsmerkmale_t& p = previous;
    const double total = r.totalNodes == 0 ? 1.0 : static_cast<double>(r.totalNodes);
    const bool flags[9] = {r.changedNow != 0,  r.changedBefore != 0, r.changedTwoAgo != 0,
                           r.pv[1] == p.pv[1], r.pv[2] == p.pv[2],   r.pv[1] == p.pv[3],
                           p.pv[1] == r.pv[3], r.inCheck != 0,       r.captureOrSpecial != 0};
    const double fractions[7] = {
        r.rootMoves / 40.0,
        // The share of the board the side to move attacks, in 0..1 like the other fractions:
        // a raw count would drive every hidden node into saturation.
        r.attackedSquares / 64.0,
        static_cast<double>(p.totalNodes) / (total + static_cast<double>(p.totalNodes)),
        static_cast<double>(r.bestMoveNodes) / total,
        static_cast<double>(r.largestOtherNodes) / total,
        static_cast<double>(r.secondLargestOtherNodes) / total,
        15.0 * (winExpectation(r.score) - winExpectation(p.score)),
    };

    ZeitnetzEingabe_t e;
    std::size_t len = 0;
    for (bool f : flags) {
        e.text[len++] = f ? '1' : '0';
        e.text[len++] = ' ';
    }
    // "%g" is the stream's default format: six significant digits, at most 13 characters.
    for (double v : fractions) {
        const int n = std::snprintf(e.text + len, ZeitnetzEingabe_t::TextSize - len, "%g ", v);
        if (n > 0) len = std::min(len + static_cast<std::size_t>(n), ZeitnetzEingabe_t::TextSize - 1);
    }
    decodeInputs(e.text, e.values);
    return e;
}

bool Zeitnetz_t::decodeInputs(const char* text, double values[TimeNetInputs]) {
    const char* p = text;
    for (int i = 0; i < TimeNetInputs; ++i) {
        char* end = nullptr;
        values[i] = std::strtod(p, &end);
        if (end == p) {
            for (; i < TimeNetInputs; ++i) values[i] = 0.0;
            return false;
        }
        p = end;
    }
    return true;
}

double Zeitnetz_t::timeFactor(const double inputs[TimeNetInputs]) {
    resetInputs();
    for (int i = 0; i < TimeNetInputs; ++i) setInput(i, inputs[i]);
    propagate();
    return output(0);
}

void Zeitnetz_t::trainStep(double target, double c) {
    clearErrors();
    outputError(0, target, c);
    backpropagate();
}

double Zeitnetz_t::factorAfterIteration(int iteration, uint64_t nodes, bool opening,
                                        const Iterationsmerkmale_t& current,
                                        const Iterationsmerkmale_t& previous, ZeitnetzEingabe_t& encoded) {
    encoded = encodeInputs(current, previous);
    const double out = timeNetworkDecides(iteration, nodes) ? timeFactor(encoded.values) : 0.0;
    return iterationTimeFactor(iteration, nodes, opening, out);
}

double iterationTimeFactor(int iteration, uint64_t nodes, bool opening, double networkOutput) {
    double f = opening ? OpeningTimeFactor : DefaultTimeFactor;
    // A network that has gone wrong (a non-finite output) must not decide the clock.
    if (timeNetworkDecides(iteration, nodes) && std::isfinite(networkOutput))
        f = networkOutput + (opening ? OpeningFactorBonus : 0.0);
    return std::max(f, MinTimeFactor);
}

}  // namespace tolvaren
