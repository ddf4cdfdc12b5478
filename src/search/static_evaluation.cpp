#include "search/static_evaluation.h"

#include "board/bitboard.h"
#include "board/position.h"
#include "search/evaluation_caches.h"

namespace tolvaren {

namespace {

// Interim evaluation until the full one is wired in: material by count tables plus
// simple placement terms, enough for the search to play sensible chess.
constexpr int32_t MaterialTable[6][16] = {
    {},
    {0, 1083, 2033, 2771, 3482, 4192, 4902, 5612, 6322},
    {0, 2975, 5964, 8894, 11824, 14754, 17684, 20614, 23544, 26474, 29404},
    {0, 3129, 6259, 9339, 12219, 15099, 17979, 20859, 23739, 26619, 29499},
    {0, 4820, 9359, 13809, 18259, 22709, 27159, 31609, 36059, 40509, 44959},
    {0, 9792, 17596, 23196, 28796, 34396, 39996, 45596, 51196, 56796},
};

// Distance of a square from the centre, 0..3.
constexpr int centreDistance(int square) {
    const int f = fileOf(square), r = rankOf(square) - 1;
    const int df = f < 4 ? 3 - f : f - 4, dr = r < 4 ? 3 - r : r - 4;
    return df > dr ? df : dr;
}

// The three squares in front of the king.
Bitboard kingShield(int king, int color) {
    const Bitboard k = bit(king);
    const Bitboard row = k | ((k & ~FileA) >> 1) | ((k & ~FileH) << 1);
    return color == White ? row >> 8 : row << 8;
}

int32_t sideScore(const Stellung_t& pos, const Zustand_t& state, int color, bool endgame) {
    const Seite_t& s = pos.sides[color];
    int32_t v = 0;
    for (int t = Pawn; t <= Queen; ++t) v += MaterialTable[t][s.count[t] & 15];
    for (int i = 0; i < s.count[Pawn]; ++i) {
        const int sq = s.list[Pawn - 1][i];
        const int advance = color == White ? rankOf(sq) - 2 : 7 - rankOf(sq);
        v += advance * (endgame ? 60 : 20) + (centreDistance(sq) <= 1 ? 40 : 0);
    }
    for (int t = Knight; t <= Queen; ++t)
        for (int i = 0; i < s.count[t]; ++i) v -= centreDistance(s.list[t - 1][i]) * (t == Knight ? 60 : 25);
    v += 4 * popCount(state.by(color).attacked & ~s.pieces[AllPieces]);
    const int king = s.kingSquare();
    if (endgame)
        v -= 80 * centreDistance(king);
    else
        v += 50 * centreDistance(king) + 30 * popCount(kingShield(king, color) & s.pieces[Pawn]);
    return v;
}

}  // namespace

int32_t materialTableValue(int type, int count) { return MaterialTable[type][count & 15]; }

int32_t staticEvaluation(const Stellung_t& pos, const Zustand_t& state, EvaluationCaches&) {
    int pieces = 0;
    for (int c = White; c <= Black; ++c)
        for (int t = Knight; t <= Queen; ++t) pieces += pos.sides[c].count[t] * (t == Queen ? 4 : t == Rook ? 2 : 1);
    const bool endgame = pieces <= 8;
    const int32_t white = sideScore(pos, state, White, endgame) - sideScore(pos, state, Black, endgame);
    return (pos.side == White ? white : -white) + 80;
}

}  // namespace tolvaren
