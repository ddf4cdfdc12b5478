#include "protocol/xboard_output.h"

#include <cstring>

#include "board/notation.h"
#include "protocol/uci_format.h"
#include "protocol/xboard_interface.h"
#include "protocol/xboard_time_control.h"
#include "search/options.h"
#include "search/time_control.h"

namespace tolvaren {

namespace {

void copyText(char* to, std::size_t size, const char* from) {
    std::size_t n = 0;
    while (n + 1 < size && from[n] != '\0') {
        to[n] = from[n];
        ++n;
    }
    to[n] = '\0';
}

}  // namespace

XBoardAusgabe_t::XBoardAusgabe_t(const Zeitkontrolle_t& time, std::FILE* out) : Ausgabe_t(out), time_(time) {}

void XBoardAusgabe_t::connect(XBoardInterface_t* adapter, const Optionen_t* options) {
    options_.store(options);
    adapter_.store(adapter);
}

bool XBoardAusgabe_t::muted() const {
    if (Ausgabe_t::muted()) return true;
    const Optionen_t* options = options_.load();
    return options != nullptr && options->flag("NoOutput", false);
}

void XBoardAusgabe_t::error(const char* message, const char* detail) {
    if (muted()) return;
    TextLine line;
    line.appendf("Error (%s): %s", message, detail != nullptr ? detail : "internal error");
    writeLine(line.c_str());
}

void XBoardAusgabe_t::secondError(const char* message, const char* detail) {
    error(message, detail);
}

void XBoardAusgabe_t::message(const char* text) {
    if (muted()) return;
    TextLine line;
    line.appendf("# %s", text);
    writeLine(line.c_str());
}

void XBoardAusgabe_t::bestMove(const Stellung_t&, Zug_t best, Zug_t ponder) {
    {
        std::lock_guard lock(stateMutex_);
        if (analysis_) return;  // analysis never moves
    }
    // A silent stop swallows the move of the search it interrupted here.
    if (muted()) return;
    if (XBoardInterface_t* adapter = adapter_.load()) adapter->engineMoved(best, ponder);
}

void XBoardAusgabe_t::currentMove(const Stellung_t& pos, Zug_t move, int number, int) {
    char text[MoveTextSize];
    writeCoordinate(pos, move, text);
    std::lock_guard lock(stateMutex_);
    copyText(currentMove_, sizeof currentMove_, text);
    currentMoveNumber_ = number;
}

void XBoardAusgabe_t::principalVariation(const Stellung_t& pos, const Zug_t* moves, int length, int32_t score,
                                         int32_t, int32_t, int depthIndex, int, int64_t, int64_t nodes, int,
                                         int64_t, bool suppress) {
    if (muted()) return;
    TextLine line;
    {
        std::lock_guard lock(stateMutex_);
        if (!post_) return;
        lastScore_ = score;
        depth_ = depthIndex + 1;
        nodes_ = nodes;
        if (suppress) return;
        const int64_t centis = (nowMillis() - time_.start) / 10;
        line.appendf("%d %d %.0f %.0f", depth_, xboardScore(score), static_cast<double>(centis),
                     static_cast<double>(nodes));
        if (ponderMove_[0] != '\0') line.appendf(" (%s)", ponderMove_);
        char text[MoveTextSize];
        for (int i = 0; i < length; ++i) {
            writeCoordinate(pos, moves[i], text);
            if (i == 0 && analysis_) copyText(analysisHint_, sizeof analysisHint_, text);
            if (!line.appendMove(text)) break;
        }
    }
    writeLine(line.c_str());
}

void XBoardAusgabe_t::setThinkingOutput(bool on) {
    std::lock_guard lock(stateMutex_);
    post_ = on;
}

void XBoardAusgabe_t::setPonderMove(const char* text) {
    std::lock_guard lock(stateMutex_);
    copyText(ponderMove_, sizeof ponderMove_, text);
    // The adapter pads moves with blanks; they are not part of the move.
    for (std::size_t n = std::strlen(ponderMove_); n > 0 && ponderMove_[n - 1] == ' '; --n)
        ponderMove_[n - 1] = '\0';
}

void XBoardAusgabe_t::beginSearch(int rootMoves) {
    std::lock_guard lock(stateMutex_);
    rootMoves_ = rootMoves;
    nodes_ = 0;
    depth_ = 0;
    lastScore_ = NoScore;
}

void XBoardAusgabe_t::beginAnalysis(int rootMoves, int64_t now) {
    std::lock_guard lock(stateMutex_);
    analysis_ = true;
    analysisHint_[0] = '\0';
    currentMove_[0] = '\0';
    currentMoveNumber_ = 0;
    analysisStart_ = now;
    depth_ = 0;
    rootMoves_ = rootMoves;
    nodes_ = 0;
    lastScore_ = NoScore;
}

void XBoardAusgabe_t::endAnalysis() {
    std::lock_guard lock(stateMutex_);
    analysis_ = false;
}

bool XBoardAusgabe_t::analyzing() const {
    std::lock_guard lock(stateMutex_);
    return analysis_;
}

int32_t XBoardAusgabe_t::lastScore() const {
    std::lock_guard lock(stateMutex_);
    return lastScore_;
}

void XBoardAusgabe_t::formatAnalysisStatus(TextLine& line, int64_t now) const {
    std::lock_guard lock(stateMutex_);
    line.clear();
    line.appendf("stat01:%13.0f %16.0f %6d %3d %3d %s", static_cast<double>(now - analysisStart_) * 0.1,
                 static_cast<double>(nodes_), depth_, rootMoves_ - currentMoveNumber_ + 1, rootMoves_,
                 currentMove_);
}

bool XBoardAusgabe_t::formatAnalysisHint(TextLine& line) const {
    std::lock_guard lock(stateMutex_);
    if (analysisHint_[0] == '\0') return false;
    line.clear();
    line.appendf("Hint: %s", analysisHint_);
    return true;
}

}  // namespace tolvaren
