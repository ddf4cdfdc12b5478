// The regression tool: searches positions from a file at a fixed node count on several
// threads and counts how often the engine picks the move the file names for them (the
// move played, for a game file). A state file lets an interrupted run resume; a log
// keeps every answer so that two versions of the engine can be compared line by line.
#pragma once

#include <cstdint>
#include <cstdio>

namespace tolvaren {

struct TestposSettings {
    int workers = 0;         // 0: one per processor, at most 4
    int64_t nodes = 200000;  // per position
};

constexpr int TestposHashMiB = 4;

// A name ending in ".pgn" is a game file: in each game every third position from the
// twelfth half-move on is searched and compared with the move played. Any other file
// holds FEN or EPD lines; the move to compare with follows "bm" (SAN or coordinates,
// several allowed, up to ";"), as in EPD files and in the batch tool's output.
// Keeps `fileName`.state while it runs and appends to `fileName`.log.
// Returns 0 once every position is done, 1 when a file could not be used.
int runTestpos(const char* fileName, const TestposSettings& settings = {}, std::FILE* out = stdout,
               std::FILE* err = stderr);

}  // namespace tolvaren
