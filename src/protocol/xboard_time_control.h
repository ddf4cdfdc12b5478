// The XBoard side of the clock: up to three time-control periods from "level",
// where a game stands in them (moves to go, the increment a move earns), the
// "go" line built from the adapter's own clock, and scores in XBoard units.
// Used by XBoardInterface_t and XBoardAusgabe_t.
#pragma once

#include <cstdint>

#include "protocol/uci_format.h"

namespace tolvaren {

// One period of a time control.
struct XboardPeriod {
    int32_t moves = -1;      // -1: the period does not exist; 0 or less: all remaining moves
    double base = 0.0;       // milliseconds added at the start of the period
    double increment = 0.0;  // milliseconds added per move

    bool exists() const { return moves != -1; }
};

struct XboardTimeControl {
    XboardPeriod periods[3];

    // Five minutes for the game, no increment: what a new game starts with.
    static XboardTimeControl initial();
    // Whether moves must still be counted within the periods (false for increment or sudden death).
    bool counted() const { return periods[0].moves > 0; }
};

// Where a game stands: the current period and the moves still to play in it.
struct PeriodPosition {
    int period = 0;     // 0..2
    int movesToGo = 0;  // 0 when the period has no move count
    int64_t movesInto = 0;  // full moves already played within the current period's cycle
};

// Reads the arguments of "level" (the text after the word): up to three triples of
// moves, base ("minutes" or "minutes:seconds") and increment in seconds. Returns
// false for a malformed line; the periods are marked absent before reading either way.
bool parseLevel(const char* args, XboardTimeControl& control);

// Position in the periods after `movesPlayed` full moves of the engine's side.
PeriodPosition locatePeriod(const XboardTimeControl& control, int64_t movesPlayed);

// Milliseconds credited for the engine's move made after `movesPlayed` full moves:
// the increment, plus the base of the period (or of the next one) that the move completes.
double incrementDue(const XboardTimeControl& control, int64_t movesPlayed);

// Limits of the next search as the adapter knows them.
struct GoRequest {
    int32_t fixedDepth = -1;       // "sd", -1 when not set
    int64_t fixedMoveTime = -1;    // "st" in milliseconds, -1 when not set
    int64_t ownClock = 300000;     // milliseconds
    int halfMovesPlayed = 0;       // of the game as the search will see it, ponder move excluded
    bool ponder = false;
};

// XBoard calls the flag the moment a fixed move time has passed, while the search
// uses all of its move time and then still has to report: keep back 50 ms and 1 %.
constexpr int64_t MoveTimeReserve = 50;
int64_t searchTimeForMove(int64_t moveTime);

// The UCI "go" line for the request.
void formatGoLine(TextLine& line, const XboardTimeControl& control, const GoRequest& request);

// An internal score (tenths of centipawns, mates near +-500000) in XBoard units.
int32_t xboardScore(int32_t score);

}  // namespace tolvaren
