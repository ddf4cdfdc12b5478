#include "search/kpk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "board/bitboard.h"

namespace tolvaren {
namespace {

int sq(const char* name) { return squareOf(name[0] - 'a', name[1] - '0'); }
bool adjacent(int a, int b) {
    return a != b && std::abs(fileOf(a) - fileOf(b)) <= 1 && std::abs(rankOf(a) - rankOf(b)) <= 1;
}
bool pawnTakes(int pawn, int s) { return rankOf(s) == rankOf(pawn) + 1 && std::abs(fileOf(s) - fileOf(pawn)) == 1; }

// The table solved the slow, obvious way, by coordinates instead of bit sets: whole
// passes over the open entries, each reading only the previous pass, until nothing changes.
std::vector<int8_t> referenceTable() {
    std::vector<int8_t> t(24 * 8192, 0);
    auto at = [](int i, bool strongMoves, int s, int w) { return i * 8192 + (strongMoves ? 4096 : 0) + s + 64 * w; };
    auto pawnOf = [](int i) { return squareOf(i % 4, 7 - i / 4); };
    std::vector<int> steps[64];
    for (int a = 0; a < 64; ++a)
        for (int b = 0; b < 64; ++b)
            if (adjacent(a, b)) steps[a].push_back(b);

    for (int i = 0; i < 24; ++i)
        for (int s = 0, p = pawnOf(i); s < 64; ++s)
            for (int w = 0; w < 64; ++w) {
                int8_t &wm = t[at(i, false, s, w)], &sm = t[at(i, true, s, w)];
                if (s == p || s == w || adjacent(s, w)) {
                    wm = sm = 127;
                } else if (w == p) {
                    wm = 127, sm = 126;
                } else {
                    bool strongCanMove = false, weakCanMove = false;
                    for (int to : steps[s]) strongCanMove |= to != p && !adjacent(to, w);
                    for (int to : steps[w]) weakCanMove |= !pawnTakes(p, to) && !adjacent(to, s);
                    if (pawnTakes(p, w))
                        sm = 127;
                    else if (!strongCanMove && (p - 8 == s || p - 8 == w))
                        sm = 126;
                    else if (rankOf(p) == 7 && p - 8 != s && p - 8 != w && (!adjacent(p - 8, w) || adjacent(p - 8, s)))
                        sm = 1;
                    if (!weakCanMove) wm = 126;
                }
            }

    for (bool changed = true; changed;) {
        changed = false;
        std::vector<int8_t> next = t;
        for (int i = 0; i < 24; ++i)
            for (int s = 0, p = pawnOf(i); s < 64; ++s)
                for (int w = 0; w < 64; ++w) {
                    if (!t[at(i, true, s, w)]) {
                        std::vector<int8_t> succ;
                        for (int to : steps[s]) succ.push_back(t[at(i, false, to, w)]);
                        if (rankOf(p) < 7) succ.push_back(t[at(i - 4, false, s, w)]);
                        if (rankOf(p) == 2 && s != p - 8 && w != p - 8) succ.push_back(t[at(i - 8, false, s, w)]);
                        int win = 0, open = 0;
                        for (int8_t v : succ) {
                            if (!win && v >= 1 && v <= 125) win = v + 1;
                            open |= v == 0;
                        }
                        if (win || !open) next[at(i, true, s, w)] = static_cast<int8_t>(win ? win : 126), changed = true;
                    }
                    if (!t[at(i, false, s, w)]) {
                        int best = 0, open = 0, drawn = 0;
                        for (int to : steps[w]) {
                            const int v = t[at(i, true, s, to)];
                            drawn |= v == 126, open |= v == 0;
                            if (v <= 125) best = std::max(best, v);
                        }
                        if (drawn || !open) next[at(i, false, s, w)] = static_cast<int8_t>(drawn ? 126 : best + 1), changed = true;
                    }
                }
        t.swap(next);
    }
    for (int8_t& v : t) v = v ? v : 126;
    return t;
}

TEST(KPKTable, MatchesPassByPassSolution) {
    const std::vector<int8_t> reference = referenceTable();
    int mismatches = 0, longest = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        const int v = kpkTable.entries[i];
        if (v != reference[i] && ++mismatches <= 5) ADD_FAILURE() << "entry " << i << ": " << v << " not " << +reference[i];
        if (v <= 125) longest = std::max(longest, v);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(longest, 20);
}

// Win or draw of every entry is checked against the bitbase generator in the bitbase tests,
// mirrored files included; here the ply counts and marks derived by hand.
TEST(KPKTable, PlyCountsAndMarks) {
    struct Case {
        bool strongToMove;
        const char *strong, *weak, *pawn;
        int expected;  // -1 a draw
    };
    const Case cases[] = {
        // Pawn on the seventh beside its king: stalemate, or Kf6 Kd7 Kf7 and queens.
        {false, "e6", "e8", "e7", -1}, {true, "e6", "e8", "e7", 5},
        // Safe promotion now, or the pawn walking unopposed.
        {true, "d7", "b7", "c7", 1}, {false, "h1", "h8", "a6", 4}, {true, "h1", "h8", "a6", 3},
        // Pawns off the table are answered, never read out of range.
        {true, "e1", "e3", "a1", -1}, {true, "e1", "e3", "h8", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(probeKPK(c.strongToMove, sq(c.strong), sq(c.weak), sq(c.pawn)), c.expected)
            << c.strong << " " << c.weak << " " << c.pawn << " " << c.strongToMove;
}

}  // namespace
}  // namespace tolvaren
