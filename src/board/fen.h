// FEN reading and writing for the position: the "position" command, the book,
// the tools and the tests set and show positions through these.
#pragma once

#include <cstddef>
#include <string_view>

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// Longest text writeFen produces, terminating zero included.
constexpr size_t FenBufferSize = 96;

// Reads a FEN (placement, side, castling, e.p., then the optional half-move clock
// and move number). On success sets pos and state and returns true, with *end (if
// given) the offset just after the e.p. field. On failure pos and state are unchanged.
bool readFen(Stellung_t& pos, Zustand_t& state, std::string_view text, size_t* end = nullptr);

// Writes the first four fields (no move counters) with a terminating zero; returns buffer.
char* writeFen(const Stellung_t& pos, char* buffer);

}  // namespace tolvaren
