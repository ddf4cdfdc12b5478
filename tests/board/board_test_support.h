// Helpers shared by the board tests (and others that need positions): setting positions
// from FEN with a check, legal move lists, and random legal games.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"

namespace tolvaren::test {

// Positions are large; tests keep them in static storage or on the heap.
struct Board {
    Stellung_t pos;
    Zustand_t state;

    // Plays the move if it is legal here; otherwise false and the board is unchanged.
    bool play(std::string_view text, Zug_t* played = nullptr) {
        const Zug_t move = readCoordinate(pos, text);
        Zustand_t next;
        if (move == 0 || !isLegal(pos, move, state) || !playPermanent(pos, move, state, next)) return false;
        state = next;
        if (played) *played = move;
        return true;
    }
};

inline Board boardFromFen(const std::string& fen) {
    Board b{};
    EXPECT_TRUE(readFen(b.pos, b.state, fen)) << fen;
    return b;
}

inline std::string fenOf(const Stellung_t& pos) {
    char buffer[FenBufferSize];
    return writeFen(pos, buffer);
}

inline std::vector<Zug_t> legalMoves(const Stellung_t& pos, const Zustand_t& state) {
    Zugliste_t list;
    uint32_t* end = generate(pos, state, list.begin());
    std::vector<Zug_t> out;
    for (uint32_t* m = list.begin(); m != end; ++m)
        if (leavesKingSafe(pos, state, moveOf(*m))) out.push_back(moveOf(*m));
    return out;
}

inline std::vector<std::string> moveTexts(const Stellung_t& pos, const uint32_t* begin, const uint32_t* end) {
    std::vector<std::string> out;
    char buffer[8];
    for (const uint32_t* m = begin; m != end; ++m) out.push_back(writeCoordinate(pos, moveOf(*m), buffer));
    return out;
}

// Small deterministic generator for random games.
struct TestRandom {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state >> 33);
    }
};

// Plays `games` random legal games of at most `plies` plies, starting in turn from the
// start position, a random Chess960 position and each of `fens`, and calls
// visit(board, legal moves) before every move. The walk ends at the first test failure.
template <class Visit>
void playRandomGames(uint64_t seed, int games, int plies, Visit visit,
                     const std::vector<std::string>& fens = {}) {
    TestRandom rng{seed};
    static Board b;
    for (int game = 0; game < games && !::testing::Test::HasFailure(); ++game) {
        const int kind = game % static_cast<int>(2 + fens.size());
        if (kind == 0)
            setStartPosition(b.pos, b.state);
        else if (kind == 1)
            setChess960Position(b.pos, b.state, rng.next() % 960);
        else
            EXPECT_TRUE(readFen(b.pos, b.state, fens[kind - 2])) << fens[kind - 2];
        for (int ply = 0; ply < plies && !::testing::Test::HasFailure(); ++ply) {
            const std::vector<Zug_t> legal = legalMoves(b.pos, b.state);
            visit(b, legal);
            Zustand_t next;
            if (legal.empty() || !playPermanent(b.pos, legal[rng.next() % legal.size()], b.state, next))
                break;
            b.state = next;
        }
    }
}

}  // namespace tolvaren::test
