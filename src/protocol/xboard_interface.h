// The XBoard adapter: accepts XBoard protocol 2 commands, keeps its own copy of the
// game (XBoardGame_t), clock and modes, and drives the UCI interface by posting UCI
// lines through its command queue. The XBoard sink hands it the engine's moves; the
// verdict (XBoardVerdict_t) says when to offer a draw or resign with them. Created by
// the input loop when the protocol word is "xboard".
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "board/move.h"
#include "protocol/input.h"
#include "protocol/xboard_game.h"
#include "protocol/xboard_queue.h"
#include "protocol/xboard_time_control.h"
#include "protocol/xboard_verdict.h"

namespace tolvaren {

class Optionen_t;
class XBoardAusgabe_t;

class XBoardInterface_t : public Eingabe_t {
   public:
    // `uci` receives the UCI command lines (on the queue's worker thread); options are
    // read by name; the sink prints and reports the engine's moves back. The ini file
    // holds "setoption" lines sent during the handshake.
    XBoardInterface_t(Eingabe_t& uci, const Optionen_t& options, XBoardAusgabe_t& output,
                      const char* iniPath = "Tolvaren.ini");
    ~XBoardInterface_t() override;
    XBoardInterface_t(const XBoardInterface_t&) = delete;
    XBoardInterface_t& operator=(const XBoardInterface_t&) = delete;

    void handleLine(const char* line) override;

    // The sink's best-move report of the engine's own search: plays the move in the
    // game, keeps the clock, decides about draw offers and resigning, starts pondering.
    void engineMoved(Zug_t best, Zug_t ponder);

    // Waits until everything posted so far has been handed on.
    void waitUntilIdle() { queue_.waitUntilDrained(); }

    // Read-only views for tests and diagnostics (taken under the command lock).
    std::string moveText() const;
    int64_t ownClock() const;
    int32_t protocolVersion() const;
    XboardTimeControl timeControl() const;
    bool thinking() const;
    bool pondering() const;

   private:
    using Handler = void (XBoardInterface_t::*)(const char* line, const char* args);
    struct Command {
        const char* word;
        Handler run;
    };
    static const Command commands[];

    void post(XboardUciQueue_t::Kind kind, std::string_view text, std::string_view detail = {});
    void postCommand(std::string_view text) { post(XboardUciQueue_t::Command, text); }
    // Lines from the command thread go through the queue: printed directly they could
    // fall into the muted bracket of a silent stop that the worker is still executing.
    void printInOrder(const char* text);

    void resetGame();
    void stopSilently();
    void startThinking(Zug_t ponderMove);
    void startAnalysis();
    void postPosition(const char* ponderMove);
    bool gameEnded();  // prints the result line when the game is over
    void flushDeferredPong();

    // The protocol's own commands, the game's, the searches' and analysis.
    void xboard(const char* line, const char* args);
    void ignore(const char* line, const char* args);
    void newGame(const char* line, const char* args);
    void quit(const char* line, const char* args);
    void force(const char* line, const char* args);
    void go(const char* line, const char* args);
    void playother(const char* line, const char* args);
    void usermove(const char* line, const char* args);
    void moveNow(const char* line, const char* args);
    void ping(const char* line, const char* args);
    void draw(const char* line, const char* args);
    void result(const char* line, const char* args);
    void setboard(const char* line, const char* args);
    void hint(const char* line, const char* args);
    void bk(const char* line, const char* args);
    void undo(const char* line, const char* args);
    void remove(const char* line, const char* args);
    void analyze(const char* line, const char* args);
    void exitAnalysis(const char* line, const char* args);
    void status(const char* line, const char* args);
    // The handshake and the settings (xboard_settings.cpp).
    void protover(const char* line, const char* args);
    void variant(const char* line, const char* args);
    void level(const char* line, const char* args);
    void st(const char* line, const char* args);
    void sd(const char* line, const char* args);
    void time(const char* line, const char* args);
    void hard(const char* line, const char* args);
    void easy(const char* line, const char* args);
    void postOn(const char* line, const char* args);
    void postOff(const char* line, const char* args);
    void name(const char* line, const char* args);
    void memory(const char* line, const char* args);
    void cores(const char* line, const char* args);
    void option(const char* line, const char* args);

    // Lock order: the command lock, then the queue's lock (inside post), then the sink's.
    mutable std::mutex commandMutex_;  // held for one input line, and by engineMoved
    const Optionen_t& options_;
    XBoardAusgabe_t& output_;
    std::string iniPath_;
    bool shuttingDown_ = false;
    bool waitForQueue_ = false;  // set by "quit": drain the queue once the lock is released

    // The game.
    XBoardGame_t game_;
    Zug_t expectedReply_ = 0;  // the ponder move of the engine's last move; also the hint

    // Clock and limits.
    XboardTimeControl control_ = XboardTimeControl::initial();
    int64_t ownClock_ = 300000;
    int64_t thinkStart_ = 0;
    int64_t fixedMoveTime_ = -1;  // "st" in milliseconds
    int32_t fixedDepth_ = -1;     // "sd"

    // Modes.
    bool forceMode_ = false;
    bool analyzeMode_ = false;
    bool ponderEnabled_ = false;
    bool pondering_ = false;  // a ponder search runs
    bool thinking_ = false;   // a search on the engine's own move runs
    std::string deferredPong_;
    int32_t protocolVersion_ = 1;
    XBoardVerdict_t verdict_;  // draw offers and resigning

    XboardUciQueue_t queue_;  // last: its worker starts once the adapter is built
};

}  // namespace tolvaren
