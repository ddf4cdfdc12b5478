// The match manager's command line: the two engines and the settings of one match, read
// from the `tolvaren-match` switches (`--help` prints them).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/match_stats.h"

namespace tolvaren::match {

struct EngineSetup {
    std::string name, cmd;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> options;
};

struct TimeControl {
    enum Kind { Increment, Periods, PerMove } kind = Increment;
    int64_t baseMs = 10000, incMs = 100, moves = 0, moveMs = 0;
    std::string pgnText = "10+0.1";
};

struct Adjudication {
    bool on = false;
    int score = 0, moves = 0, moveNumber = 0;
};

struct Settings {
    EngineSetup engines[2];
    TimeControl tc;
    int64_t games = 100, concurrency = 1, plies = 16, timeMarginMs = -1, ratingInterval = 10;
    uint32_t seed = 1;
    std::string openings, pgnOut;
    bool sprt = false;
    SprtBounds bounds;
    Adjudication resign, draw;
};

// "10+0.1", "1:30+1", "40/20" or "st=0.2"; no value when the text is none of them.
std::optional<TimeControl> parseTimeControl(const std::string& text);

// No value after a message on standard error; `--help` prints the usage and exits.
std::optional<Settings> parseCommandLine(int argc, char** argv);

}  // namespace tolvaren::match
