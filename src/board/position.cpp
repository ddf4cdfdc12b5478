#include "board/position.h"

#include <cassert>
#include <cstring>

#include "board/fen.h"
#include "board/hash_keys.h"
#include "board/make_move.h"

namespace tolvaren {

void rebuildLists(Stellung_t& pos) {
    for (Seite_t& side : pos.sides) {
        side.count[AllPieces] = static_cast<int8_t>(popCount(side.pieces[AllPieces]));
        for (int type = Pawn; type <= King; ++type) {
            uint8_t* list = side.squares(type);
            std::memset(list, 0, SquareListSize);
            int n = 0;
            for (Bitboard b = side.pieces[type]; b && n < SquareListSize;)
                list[n++] = static_cast<uint8_t>(popLowest(b));
            // A count beyond the list's room marks a position that FEN reading refuses.
            side.count[type] = static_cast<int8_t>(popCount(side.pieces[type]));
        }
    }
}

uint64_t computePawnKey(const Stellung_t& pos) {
    uint64_t key = 0;
    for (int color = White; color <= Black; ++color)
        for (Bitboard b = pos.sides[color].pieces[Pawn]; b;) key ^= pieceKey(color, Pawn, popLowest(b));
    return key;
}

uint64_t computeHashKey(const Stellung_t& pos) {
    uint64_t key = castlingKey(pos.castling) ^ epKey(pos.epSquare);
    for (int color = White; color <= Black; ++color)
        for (int type = Pawn; type <= King; ++type)
            for (Bitboard b = pos.sides[color].pieces[type]; b;) key ^= pieceKey(color, type, popLowest(b));
    return pos.side == Black ? key ^ SideToMoveKey : key;
}

uint64_t computeMaterialKey(const Stellung_t& pos) {
    uint64_t key = 0;
    for (int color = White; color <= Black; ++color)
        for (int type = Pawn; type <= Queen; ++type)
            key += static_cast<uint64_t>(popCount(pos.sides[color].pieces[type])) *
                   MaterialMultiplier[color][type];
    if (oppositeBishops(pos)) key += OppositeBishopsKey;
    return key;
}

void computeState(const Stellung_t& pos, Zustand_t& state) {
    state.hashKey = computeHashKey(pos);
    state.pawnKey = computePawnKey(pos);
    state.materialKey = computeMaterialKey(pos);
    computeAttacks(pos, state);
}

void setStartPosition(Stellung_t& pos, Zustand_t& state) {
    [[maybe_unused]] const bool ok =
        readFen(pos, state, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    assert(ok);
}

void setChess960Position(Stellung_t& pos, Zustand_t& state, uint32_t number) {
    static constexpr int KnightPairs[10][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2},
                                               {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    const uint32_t n = number % 960;
    char rank[9] = "........";
    rank[2 * (n % 4) + 1] = 'b';  // light-square bishop
    const uint32_t a = n / 4;
    rank[2 * (a % 4)] = 'b';  // dark-square bishop
    const uint32_t b = a / 4;
    // Puts `piece` on the k-th still empty file, counting from the a-file.
    auto placeOnEmpty = [&rank](uint32_t k, char piece) {
        for (int f = 0; f < 8; ++f)
            if (rank[f] == '.' && k-- == 0) {
                rank[f] = piece;
                return;
            }
    };
    placeOnEmpty(b % 6, 'q');
    const uint32_t c = b / 6;
    // The higher index first, so that the lower one still counts the same empty files.
    placeOnEmpty(KnightPairs[c][1], 'n');
    placeOnEmpty(KnightPairs[c][0], 'n');
    placeOnEmpty(0, 'r');
    placeOnEmpty(0, 'k');
    placeOnEmpty(0, 'r');

    char fen[80];
    char upper[9];
    for (int f = 0; f < 9; ++f) upper[f] = rank[f] ? static_cast<char>(rank[f] - 'a' + 'A') : 0;
    std::strcpy(fen, rank);
    std::strcat(fen, "/pppppppp/8/8/8/8/PPPPPPPP/");
    std::strcat(fen, upper);
    std::strcat(fen, " w KQkq - 0 1");
    [[maybe_unused]] const bool ok = readFen(pos, state, fen);
    assert(ok);
}

void flipColors(const Stellung_t& from, Stellung_t& to) {
    Stellung_t flipped;
    std::memset(&flipped, 0, sizeof flipped);
    flipped.side = from.side ^ 1;
    flipped.epSquare = from.epSquare ? static_cast<uint8_t>(from.epSquare ^ 56) : 0;
    flipped.castling = static_cast<uint8_t>(((from.castling & 3) << 2) | ((from.castling >> 2) & 3));
    flipped.chess960 = from.chess960;
    flipped.fileLetters = from.fileLetters;
    for (int color = White; color <= Black; ++color) {
        for (int type = AllPieces; type <= King; ++type)
            flipped.sides[color].pieces[type] = flipVertical(from.sides[color ^ 1].pieces[type]);
        flipped.sides[color].longRook = from.sides[color].longRook;
        flipped.sides[color].shortRook = from.sides[color].shortRook;
    }
    rebuildLists(flipped);
    flipped.historyLength = 1;
    flipped.history[0] = computeHashKey(flipped);
    std::memcpy(&to, &flipped, sizeof flipped);
}

}  // namespace tolvaren
