// A from-scratch check of a position and its state record (bitboards, counts, square
// lists, keys, attack records). Make and take back run it when assertions are on.
#pragma once

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// True if every derived field agrees with the piece placement.
bool isConsistent(const Stellung_t& pos);
bool isConsistent(const Stellung_t& pos, const Zustand_t& state);

}  // namespace tolvaren
