// The packed score pair `Wert_t`: midgame half in the low 16 bits, endgame half in
// the high 16 bits of one 32-bit word, so a term adds both halves in one addition.
// Every evaluation term produces it; evaluate blends it by the game phase.
#pragma once

#include <cstdint>

namespace tolvaren {

using Wert_t = int32_t;

// eg * 65536 + mg, computed without signed overflow.
constexpr Wert_t makeScore(int mg, int eg) {
    return static_cast<Wert_t>((static_cast<uint32_t>(eg) << 16) + static_cast<uint32_t>(mg));
}

constexpr int mgOf(Wert_t w) { return static_cast<int16_t>(static_cast<uint16_t>(w)); }

// Adding 32768 undoes the borrow a negative midgame half took from the endgame half.
constexpr int egOf(Wert_t w) {
    return static_cast<int32_t>(static_cast<uint32_t>(w) + 32768U) >> 16;
}

// An endgame-only integer term lands in the high half.
constexpr Wert_t endgameOnly(int eg) { return makeScore(0, eg); }

// Side-to-move bonus: midgame 68, endgame 35.
constexpr Wert_t Tempo = 0x00230044;
static_assert(Tempo == makeScore(68, 35));

}  // namespace tolvaren
