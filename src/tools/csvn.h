// The batch best-move tool: searches every position of a text file (one FEN or EPD
// line each) for a fixed time on three threads and writes each line cut to 92
// characters with the chosen move, "<line> bm <move>", in the order of the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tolvaren {

struct CsvnSettings {
    int workers = 3;
    int64_t movetime = 1000;      // per position, in milliseconds
    int64_t nodes = 0;            // instead of the time, when not 0 (tests)
    std::size_t threshold = 100;  // results written once more than this many wait...
    std::size_t batch = 60;       // ...this many at a time
};

constexpr int CsvnLineKept = 92;
constexpr int CsvnHashMiB = 4;

// Returns 0 when every line was answered; otherwise it has said on `err` what failed
// (a file that could not be opened, read or written) and returns 1.
int runCsvn(const char* inputName, const char* outputName, const CsvnSettings& settings = {},
            std::FILE* err = stderr);

}  // namespace tolvaren
