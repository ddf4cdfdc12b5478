#include "search/kpk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "board/bitboard.h"

namespace tolvaren {
namespace {

int sq(const char* name) { return squareOf(name[0] - 'a', name[1] - '0'); }

int chebyshev(int a, int b) {
    return std::max(std::abs(fileOf(a) - fileOf(b)), std::abs(rankOf(a) - rankOf(b)));
}
bool adjacent(int a, int b) { return a != b && chebyshev(a, b) == 1; }
bool pawnTakes(int pawn, int target) {
    return rankOf(target) == rankOf(pawn) + 1 && std::abs(fileOf(target) - fileOf(pawn)) == 1;
}
bool onBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 1 && rank <= 8; }

// Squares one king step away, by coordinates rather than the attack tables.
const std::vector<int>& kingSteps(int s) {
    static const std::vector<std::vector<int>> steps = [] {
        std::vector<std::vector<int>> all(64);
        for (int from = 0; from < 64; ++from)
            for (int df = -1; df <= 1; ++df)
                for (int dr = -1; dr <= 1; ++dr)
                    if ((df || dr) && onBoard(fileOf(from) + df, rankOf(from) + dr))
                        all[from].push_back(squareOf(fileOf(from) + df, rankOf(from) + dr));
        return all;
    }();
    return steps[s];
}

// The table solved the slow, obvious way: whole passes over every open entry, each
// pass reading only the previous pass's values, until nothing changes.
std::vector<int8_t> referenceTable() {
    std::vector<int8_t> t(KPKTabelle_t::PawnSquares * KPKTabelle_t::SliceSize, 0);
    std::vector<int> pawns;
    for (int rank = 7; rank >= 2; --rank)
        for (int file = 0; file < 4; ++file) pawns.push_back(squareOf(file, rank));
    auto at = [](int index, bool strongMoves, int s, int w) {
        return index * 8192 + (strongMoves ? 4096 : 0) + s + 64 * w;
    };

    for (int i = 0; i < 24; ++i) {
        const int p = pawns[i], front = p - 8;
        for (int s = 0; s < 64; ++s)
            for (int w = 0; w < 64; ++w) {
                int8_t& wm = t[at(i, false, s, w)];
                int8_t& sm = t[at(i, true, s, w)];
                if (s == p || s == w || adjacent(s, w)) {
                    wm = sm = 127;
                    continue;
                }
                if (w == p) {
                    wm = 127;
                    sm = 126;
                    continue;
                }
                bool strongCanMove = false;
                for (int to : kingSteps(s))
                    if (to != p && !adjacent(to, w) && to != w) strongCanMove = true;
                bool weakCanMove = false;
                for (int to : kingSteps(w))
                    if (!pawnTakes(p, to) && !adjacent(to, s) && to != s) weakCanMove = true;

                if (pawnTakes(p, w))
                    sm = 127;
                else if (!strongCanMove && (front == s || front == w))
                    sm = 126;
                else if (rankOf(p) == 7 && front != s && front != w && (!adjacent(front, w) || adjacent(front, s)))
                    sm = 1;
                if (!weakCanMove) wm = 126;
            }
    }

    std::vector<int8_t> successors;
    for (bool changed = true; changed;) {
        changed = false;
        std::vector<int8_t> next = t;
        for (int i = 0; i < 24; ++i) {
            const int p = pawns[i];
            for (int s = 0; s < 64; ++s)
                for (int w = 0; w < 64; ++w) {
                    if (t[at(i, true, s, w)] == 0) {
                        std::vector<int8_t>& succ = successors;
                        succ.clear();
                        for (int to : kingSteps(s)) succ.push_back(t[at(i, false, to, w)]);
                        if (rankOf(p) < 7) succ.push_back(t[at(i - 4, false, s, w)]);
                        if (rankOf(p) == 2 && s != p - 8 && w != p - 8) succ.push_back(t[at(i - 8, false, s, w)]);
                        int8_t result = 0;
                        bool open = false;
                        for (int8_t v : succ) {
                            if (v >= 1 && v <= 125) {
                                result = static_cast<int8_t>(v + 1);
                                break;
                            }
                            if (v == 0) open = true;
                        }
                        if (!result && !open) result = 126;
                        if (result) next[at(i, true, s, w)] = result, changed = true;
                    }
                    if (t[at(i, false, s, w)] == 0) {
                        int8_t best = 0;
                        bool open = false, drawn = false;
                        for (int to : kingSteps(w)) {
                            const int8_t v = t[at(i, true, s, to)];
                            if (v == 126) drawn = true;
                            if (v == 0) open = true;
                            if (v >= 1 && v <= 125 && v > best) best = v;
                        }
                        int8_t result = drawn ? 126 : open ? 0 : static_cast<int8_t>(best + 1);
                        if (result) next[at(i, false, s, w)] = result, changed = true;
                    }
                }
        }
        t.swap(next);
    }
    for (int8_t& v : t)
        if (v == 0) v = 126;
    return t;
}

TEST(KPKTable, MatchesPassByPassSolution) {
    const std::vector<int8_t> reference = referenceTable();
    int mismatches = 0, longest = 0, wins = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        const int v = kpkTable.entries[i];
        if (v != reference[i] && ++mismatches <= 5)
            ADD_FAILURE() << "entry " << i << ": " << v << " instead of " << int(reference[i]);
        EXPECT_TRUE(v >= 1 && v <= 127) << "entry " << i;
        if (v <= 125) longest = std::max(longest, v), ++wins;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(longest, 20);
    EXPECT_GT(wins, 50000);
}

TEST(KPKTable, PawnOffsets) {
    int assigned = 0;
    for (int s = 0; s < 64; ++s) {
        const int offset = kpkTable.pawnOffset[s];
        if (fileOf(s) <= 3 && rankOf(s) >= 2 && rankOf(s) <= 7) {
            EXPECT_EQ(offset % 8192, 0);
            ++assigned;
        } else {
            EXPECT_EQ(offset, -1) << s;
        }
    }
    EXPECT_EQ(assigned, 24);
    EXPECT_EQ(kpkTable.pawnOffset[sq("a7")], 0);
    EXPECT_EQ(kpkTable.pawnOffset[sq("b7")], 8192);
    EXPECT_EQ(kpkTable.pawnOffset[sq("d2")], 23 * 8192);
}

// probeKPK(strong to move, strong king, weak king, pawn); -1 is a draw.
int probe(bool strongToMove, const char* strong, const char* weak, const char* pawn) {
    return probeKPK(strongToMove, sq(strong), sq(weak), sq(pawn));
}
bool wins(int r) { return r >= 1 && r <= 125; }

TEST(KPKTable, KeySquaresWinWhoeverMoves) {
    EXPECT_TRUE(wins(probe(true, "e6", "e8", "e4")));
    EXPECT_TRUE(wins(probe(false, "e6", "e8", "e4")));
    EXPECT_TRUE(wins(probe(true, "d6", "d8", "d5")));
    EXPECT_TRUE(wins(probe(false, "f6", "h8", "d5")));  // d6 to e6 and f6 are key squares
    // Knight-file pawn with the king on a key square, even against the corner.
    EXPECT_TRUE(wins(probe(false, "a6", "g8", "b5")));
}

TEST(KPKTable, OppositionDecides) {
    // King in front of the pawn, kings in opposition: the side to move loses it.
    EXPECT_EQ(probe(true, "e5", "e7", "e4"), -1);
    EXPECT_TRUE(wins(probe(false, "e5", "e7", "e4")));
    // Pawn on the sixth, defender in front: draw with the attacker to move.
    EXPECT_EQ(probe(true, "e6", "e8", "d6"), -1);
    // Pawn on the seventh beside its king, defender on the queening square: stalemate
    // with the defender to move, but Kf6 Kd7 Kf7 wins with the attacker to move.
    EXPECT_EQ(probe(false, "e6", "e8", "e7"), -1);
    EXPECT_EQ(probe(true, "e6", "e8", "e7"), 5);
}

TEST(KPKTable, RookPawnsDrawInTheCorner) {
    EXPECT_EQ(probe(true, "g4", "h8", "h4"), -1);
    EXPECT_EQ(probe(false, "b3", "a8", "a2"), -1);
    EXPECT_EQ(probe(true, "b6", "a8", "a6"), -1);
    EXPECT_EQ(probe(true, "g6", "h8", "h5"), -1);
    // The attacking king shuts the corner: the rook pawn wins.
    EXPECT_TRUE(wins(probe(true, "b7", "d7", "a5")));
    EXPECT_TRUE(wins(probe(false, "b7", "d7", "a5")));
}

TEST(KPKTable, RuleOfTheSquare) {
    EXPECT_TRUE(wins(probe(true, "h1", "e6", "a5")));
    EXPECT_EQ(probe(false, "h1", "e6", "a5"), -1);
    // Double push from the second rank escapes the square only with the pawn side to move.
    EXPECT_TRUE(wins(probe(true, "h1", "h5", "b2")));
    EXPECT_EQ(probe(false, "h1", "h5", "b2"), -1);
}

TEST(KPKTable, DistancesAreExact) {
    // Pawn on the seventh, safe promotion: one ply.
    EXPECT_EQ(probe(true, "b6", "h1", "a7"), 1);
    EXPECT_EQ(probe(true, "d7", "b7", "c7"), 1);  // the queen on c8 is guarded by the king
    // Black moves, then the pawn reaches the seventh and queens: a7 at 3, a6 at 5.
    EXPECT_EQ(probe(false, "h1", "h8", "a6"), 4);
    EXPECT_EQ(probe(true, "h1", "h8", "a6"), 3);
    EXPECT_EQ(probe(true, "h1", "h8", "a5"), 5);
}

TEST(KPKTable, MirroredFilesAndBadInput) {
    // A pawn on the e- to h-files reads the mirrored entry.
    EXPECT_EQ(probe(true, "g4", "h8", "h4"), probe(true, "b4", "a8", "a4"));
    EXPECT_EQ(probe(false, "d6", "d8", "e5"), probe(false, "e6", "e8", "d5"));
    // No pawn on the first or last rank: answered as a draw, never read out of range.
    EXPECT_EQ(probeKPK(true, sq("e1"), sq("e3"), sq("a1")), -1);
    EXPECT_EQ(probeKPK(true, sq("e1"), sq("e3"), sq("h8")), -1);
    // Illegal placements keep their mark.
    EXPECT_EQ(probe(true, "e4", "e5", "a2"), 127);
    EXPECT_EQ(probe(true, "a1", "d6", "e5"), 127);  // the pawn gives check with its own side to move
}

}  // namespace
}  // namespace tolvaren
