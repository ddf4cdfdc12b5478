#include "eval/material.h"

#include <algorithm>
#include <array>

#include "board/position.h"

namespace tolvaren {
namespace {

// Compiled before any code runs; [pattern][first side].
constexpr auto CompiledPatterns = [] {
    std::array<std::array<Materialmuster_t, 2>, MaterialPatternCount> t{};
    for (int i = 0; i < MaterialPatternCount; ++i)
        for (int side = 0; side < 2; ++side) t[i][side] = compilePattern(MaterialPatternDefs[i], side);
    return t;
}();

}  // namespace

Wert_t materialPatternScore(const MaterialCounts& counts) {
    uint8_t have[2][6] = {}, more[2][6] = {};
    for (int c = 0; c < 2; ++c) {
        have[c][0] = counts.count[c][Bishop] >= 2;
        for (int t = Pawn; t <= Queen; ++t) have[c][t] = static_cast<uint8_t>(std::clamp(counts.count[c][t], 0, 15));
    }
    for (int i = 0; i < 6; ++i) {
        const int d = have[0][i] - have[1][i];
        more[0][i] = static_cast<uint8_t>(std::max(d, 0));
        more[1][i] = static_cast<uint8_t>(std::max(-d, 0));
    }
    const uint64_t countWord = packCounts(have[0], have[1]);
    uint64_t excess = packCounts(more[0], more[1]);

    Wert_t score = 0;
    for (const auto& pattern : CompiledPatterns)
        for (const Materialmuster_t& m : pattern) {
            if (!fits(countWord, m.minimum) || !fits(excess, m.excess)) continue;
            int k = 0;
            // A pattern without any excess fits once; every real one needs some.
            do {
                excess -= m.excess;
                ++k;
            } while (m.excess != 0 && fits(excess, m.excess));
            score += k * m.value;
        }
    return score;
}

void computeMaterialEntry(const MaterialCounts& counts, uint64_t key, MaterialEintrag_t& entry) {
    int32_t sum[2] = {0, 0};
    for (int c = 0; c < 2; ++c)
        for (int t = Pawn; t <= Queen; ++t) sum[c] += materialValue(t, counts.count[c][t]);
    const int64_t total = int64_t{sum[0]} + sum[1];
    const int64_t phase = PhaseSlope * (total - EndgameMaterial) / 65536;
    const int32_t mgWeight = static_cast<int32_t>(std::clamp<int64_t>(phase, 0, MaxPhase));

    const int64_t diff = int64_t{sum[0]} - sum[1];
    int64_t score = 0;
    if (diff != 0) {
        const int64_t pawnBalance =
            materialValue(Pawn, counts.count[Black][Pawn]) - materialValue(Pawn, counts.count[White][Pawn]);
        // The side ahead gains more as material comes off, and more with fewer pawns.
        const int64_t correction = (ImbalanceScale * diff + PawnBalanceScale * pawnBalance) *
                                   (EndgameMaterial - total) / (int64_t{1} << ImbalanceShift);
        score = diff + correction;
    }

    Wert_t patterns = materialPatternScore(counts);
    if (counts.count[White][Bishop] >= 2) patterns += BishopPair;
    if (counts.count[Black][Bishop] >= 2) patterns -= BishopPair;

    entry.key = key;
    entry.whiteSum = sum[0];
    entry.blackSum = sum[1];
    entry.mgWeight = mgWeight;
    entry.egWeight = MaxPhase - mgWeight;
    entry.materialScore = static_cast<int32_t>(score);
    entry.patternScore = patterns;
}

const MaterialEintrag_t& probeMaterial(const Stellung_t& pos, const Zustand_t& state,
                                       Materialtabelle_t& table) {
    const uint64_t key = state.materialKey;
    MaterialEintrag_t& e = table.entry[key & (MaterialTableSize - 1)];
    // Key 0 (bare kings) also marks an empty slot; a filled entry's weights sum to 256.
    if (e.key == key && (key != 0 || e.mgWeight + e.egWeight == MaxPhase)) return e;

    MaterialCounts counts;
    for (int c = 0; c < 2; ++c) {
        counts.count[c][0] = 0;
        for (int t = Pawn; t <= Queen; ++t) counts.count[c][t] = pos.sides[c].count[t];
    }
    computeMaterialEntry(counts, key, e);
    return e;
}

}  // namespace tolvaren
