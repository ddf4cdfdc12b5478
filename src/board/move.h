// A move in 16 bits (destination, origin, kind) and the move list entries built
// from it. Every subsystem that handles moves uses this encoding.
#pragma once

#include <cstdint>

namespace tolvaren {

// bits 0..5 destination, bits 6..11 origin, bits 12..15 kind; code 0 is the null move.
using Zug_t = uint16_t;

enum Zugart : int {
    ZugKeiner = 0,
    ZugBauer = 1,  // kinds 1..6 are the moving piece's type
    ZugSpringer = 2,
    ZugLaeufer = 3,
    ZugTurm = 4,
    ZugDame = 5,
    ZugKoenig = 6,
    ZugUmwSpringer = 7,
    ZugUmwLaeufer = 8,
    ZugUmwTurm = 9,
    ZugUmwDame = 10,
    ZugRochade = 11,
    ZugEnPassant = 12,
};

constexpr Zug_t makeMove(int from, int to, int kind) {
    return static_cast<Zug_t>(to | (from << 6) | (kind << 12));
}
constexpr int moveTo(Zug_t m) {
    return m & 63;
}
constexpr int moveFrom(Zug_t m) {
    return (m >> 6) & 63;
}
constexpr int moveKind(Zug_t m) {
    return m >> 12;
}
constexpr bool isPromotion(Zug_t m) {
    return moveKind(m) >= ZugUmwSpringer && moveKind(m) <= ZugUmwDame;
}
// The piece type a promotion makes: the promotion kinds follow the piece kinds' order.
constexpr int promotionType(Zug_t m) {
    return moveKind(m) - (ZugUmwSpringer - ZugSpringer);
}

}  // namespace tolvaren
