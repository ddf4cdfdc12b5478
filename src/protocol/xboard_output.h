// The XBoard output sink: thinking lines in XBoard form, error lines, the analysis
// status line, and the engine's move, which it hands to the XBoard adapter to play
// in the adapter's game. Created by the input loop when the protocol word is "xboard".
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "protocol/uci_format.h"
#include "search/output.h"

namespace tolvaren {

class Optionen_t;
class XBoardInterface_t;
class Zeitkontrolle_t;

class XBoardAusgabe_t : public Ausgabe_t {
   public:
    // Thinking times are measured from the time-control object's start.
    explicit XBoardAusgabe_t(const Zeitkontrolle_t& time, std::FILE* out = stdout);

    // Joins the sink to its adapter and the option store once both exist; null detaches.
    void connect(XBoardInterface_t* adapter, const Optionen_t* options);

    // True while the option "NoOutput" is set (or after "quit").
    bool muted() const override;
    void error(const char* message, const char* detail) override;
    void secondError(const char* message, const char* detail) override;
    // Notes go out as comment lines, which XBoard logs and otherwise ignores.
    void message(const char* text) override;
    void bestMove(const Stellung_t& pos, Zug_t best, Zug_t ponder) override;
    void currentMove(const Stellung_t& pos, Zug_t move, int number, int hashFull) override;
    void principalVariation(const Stellung_t& pos, const Zug_t* moves, int length, int32_t score,
                            int32_t alpha, int32_t beta, int depthIndex, int selDepth, int64_t millis,
                            int64_t nodes, int hashFull, int64_t tbHits, bool suppress) override;

    // What the adapter tells the sink (from its command thread).
    void setThinkingOutput(bool on);
    // The move pondered on, shown in parentheses in thinking lines; empty for none.
    void setPonderMove(const char* text);
    void beginSearch(int rootMoves);
    void beginAnalysis(int rootMoves, int64_t now);
    void endAnalysis();
    bool analyzing() const;
    // Score of the last thinking line of the current search (NoScore before the first).
    int32_t lastScore() const;
    // "stat01: ..." for the "." command.
    void formatAnalysisStatus(TextLine& line, int64_t now) const;
    // "Hint: <move>" from the analysis; false when the analysis has no move yet.
    bool formatAnalysisHint(TextLine& line) const;

    static constexpr int32_t NoScore = 500000;

   private:
    static constexpr int MoveTextSize = 8;

    const Zeitkontrolle_t& time_;
    std::atomic<XBoardInterface_t*> adapter_{nullptr};
    std::atomic<const Optionen_t*> options_{nullptr};

    // The fields below are shared by the adapter's thread and the search threads.
    mutable std::mutex stateMutex_;  // taken after the adapter's command lock, before the line lock
    bool post_ = true;
    bool analysis_ = false;
    int64_t analysisStart_ = 0;
    char analysisHint_[MoveTextSize] = {};
    char ponderMove_[6] = {};
    char currentMove_[MoveTextSize] = {};
    int currentMoveNumber_ = 0;
    int rootMoves_ = 0;
    int64_t nodes_ = 0;
    int depth_ = 0;
    int32_t lastScore_ = NoScore;
};

}  // namespace tolvaren
