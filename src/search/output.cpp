#include "search/output.h"

namespace tolvaren {

void Ausgabe_t::mute() {
    std::lock_guard lock(mutex_);
    muted_.store(true, std::memory_order_relaxed);
}

void Ausgabe_t::writeLine(const char* text) {
    std::lock_guard lock(mutex_);
    if (muted_.load(std::memory_order_relaxed)) return;
    std::fputs(text, out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void Ausgabe_t::line(const char* text) {
    if (muted()) return;
    writeLine(text);
}

// The base sink reports nothing; each protocol's sink prints what it needs.
void Ausgabe_t::error(const char*, const char*) {}
void Ausgabe_t::secondError(const char*, const char*) {}
void Ausgabe_t::message(const char*) {}
void Ausgabe_t::statistics(int, int, int64_t, int64_t, int, int64_t) {}
void Ausgabe_t::bestMove(const Stellung_t&, Zug_t, Zug_t) {}
void Ausgabe_t::currentMove(const Stellung_t&, Zug_t, int, int) {}
void Ausgabe_t::principalVariation(const Stellung_t&, const Zug_t*, int, int32_t, int32_t, int32_t, int, int,
                                   int64_t, int64_t, int, int64_t, bool) {}
void Ausgabe_t::multiPvLine(const Stellung_t&, const Zug_t*, int, int, int32_t, int) {}

}  // namespace tolvaren
