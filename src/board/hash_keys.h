// The fixed 64-bit key constants of positions (pieces, castling rights, e.p. files,
// side to move) and the material key multipliers. The position keeps its keys with
// them; the transposition table, book, pawn and material caches are keyed by them.
#pragma once

#include <array>
#include <cstdint>

#include "board/bitboard.h"

namespace tolvaren {

constexpr uint64_t SideToMoveKey = 0xD00FAFFEFEAF0FD0ULL;
constexpr uint64_t OppositeBishopsKey = 0x201FB33DULL;

// Count multipliers of the material key by colour and type (kings contribute nothing).
constexpr uint64_t MaterialMultiplier[2][7] = {
    {0, 0x40237DF8ULL, 0x2403FEAACULL, 0x18C03ED605ULL, 0x11040035AEEULL, 0xBB2C0279264ULL, 0},
    {0, 0x74FB802AD4FBULL, 0x41CD7801E8C58ULL, 0x2D3D4280171CB6ULL, 0x1F1A1DB8015E664ULL,
     0x1561F46E803A8B43ULL, 0},
};

namespace detail {

// A fixed pseudo-random table: index 0..15 castling rights, 64 + 64 * (type - 1) + square
// for White pieces, 576 + ... for Black, 512 + square for e.p. squares (ranks 3 and 6
// only). Every other entry stays zero so that "no e.p. square" adds nothing.
constexpr std::array<uint64_t, 960> makeHashKeys() {
    std::array<uint64_t, 960> keys{};
    uint64_t state = 0x5417A12EC0FFEE01ULL;  // splitmix64 with a fixed seed
    auto next = [&state]() {
        state += 0x9E3779B97F4A7C15ULL;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    };
    for (int i = 0; i < 960; ++i) {
        const uint64_t r = next();
        const bool used = i < 16 || (i >= 64 && i < 448) || (i >= 576) ||
                          (i >= 512 + 16 && i < 512 + 24) || (i >= 512 + 40 && i < 512 + 48);
        keys[i] = used ? r : 0;
    }
    return keys;
}

}  // namespace detail

inline constexpr std::array<uint64_t, 960> HashKeys = detail::makeHashKeys();

constexpr uint64_t pieceKey(int color, int type, int square) {
    return HashKeys[(color == White ? 64 : 576) + 64 * (type - 1) + square];
}
constexpr uint64_t castlingKey(int rights) { return HashKeys[rights]; }
constexpr uint64_t epKey(int square) { return HashKeys[512 + square]; }

}  // namespace tolvaren
