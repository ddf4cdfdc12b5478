// The game file entry of a finished match game: the tags, the moves numbered from the
// opening's own move number and wrapped before 80 columns, the reason and the result.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "match/game.h"
#include "match/openings.h"

namespace tolvaren::match {

struct PgnHeader {
    int64_t round = 0;
    std::string date;  // as pgnDate writes it
    std::string white, black, timeControl;
};

// "2024.05.17" (UTC).
std::string pgnDate(std::time_t when);

std::string gamePgn(const PgnHeader& header, const Opening& opening, const GameRecord& game);

}  // namespace tolvaren::match
