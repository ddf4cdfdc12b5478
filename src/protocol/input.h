// The protocol input: an Eingabe_t receives every trimmed input line after the
// protocol word. The input loop feeds it; UCI and XBoard interfaces implement it.
#pragma once

#include <atomic>

namespace tolvaren {

class Eingabe_t {
public:
    virtual ~Eingabe_t() = default;
    // Executes one input line (trailing whitespace already removed).
    virtual void handleLine(const char* line) = 0;
};

// Set by "quit"; the input loop reads no further line once it is set.
inline std::atomic<bool> quitFlag{false};

}  // namespace tolvaren
