// The material table: per-thread cache of everything that depends only on the piece
// counts (material sums, game phase, material score, material patterns, bishop pair).
// evaluate probes it first; the search's recognizers and delta pruning read the values.
#pragma once

#include <cstdint>
#include <string_view>

#include "eval/score.h"
#include "eval/weights.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

struct MaterialEintrag_t {
    uint64_t key;           // material key; valid when equal to the probing key
    int32_t whiteSum;       // sum of White's value-table entries
    int32_t blackSum;
    int32_t mgWeight;       // 0..256
    int32_t egWeight;       // 256 - mgWeight
    int32_t materialScore;  // White's view, not blended
    Wert_t patternScore;    // material patterns plus bishop pairs
};
static_assert(sizeof(MaterialEintrag_t) == 32);

constexpr int MaterialTableSize = 4096;

// Direct-mapped by the low 12 bits of the key; a miss overwrites the slot. Owned by
// one search thread; default construction zero-fills it.
struct Materialtabelle_t {
    MaterialEintrag_t entry[MaterialTableSize]{};
};

inline int32_t materialValue(int type, int count) { return MaterialValue[type][count & 15]; }

// The entry for the position's material key, computed on a miss.
const MaterialEintrag_t& probeMaterial(const Stellung_t& pos, const Zustand_t& state,
                                       Materialtabelle_t& table);

// Piece counts of both sides by type (index 1 pawn .. 5 queen; 0 unused).
struct MaterialCounts {
    int count[2][6];
};

// Fills an entry from counts alone (probeMaterial's miss path; also used by tests).
void computeMaterialEntry(const MaterialCounts& counts, uint64_t key, MaterialEintrag_t& entry);

// ---- Material patterns ---------------------------------------------------------------

// One parsed signature: two records of bishop-pair flag, pawns, knights, bishops,
// rooks and queens; the first record is the side that earns the pattern's value.
struct MaterialSignatur_t {
    uint8_t count[2][6];
};

// Reads a signature such as "SS-BL": "-" switches records, "2" sets the pair flag,
// German or lower-case English piece letters add one piece, anything else is ignored.
constexpr MaterialSignatur_t parseSignature(std::string_view text) {
    MaterialSignatur_t sig{};
    int record = 0;
    for (const char c : text) {
        int field = -1;
        switch (c) {
            case '-': record ^= 1; break;
            case '2': sig.count[record][0] = 1; break;
            case 'B': case 'p': field = 1; break;
            case 'S': case 'n': field = 2; break;
            case 'L': case 'b': field = 3; break;
            case 'T': case 'r': field = 4; break;
            case 'D': case 'q': field = 5; break;
            default: break;
        }
        if (field > 0 && sig.count[record][field] < 15) ++sig.count[record][field];
    }
    return sig;
}

// Counts packed into five-bit fields (pair flag, then pawns .. queens) whose top bit
// stays clear; White in the low half, Black in the high half. Subtracting a packed
// minimum sets some top bit exactly when a count would go negative.
constexpr int PackFieldBits = 5;
constexpr uint64_t PackGuardBits = [] {
    uint64_t m = 0;
    for (int i = 0; i < 6; ++i) m |= (uint64_t{1} << (PackFieldBits * i + 4)) * 0x100000001ULL;
    return m;
}();

constexpr uint64_t packCounts(const uint8_t (&white)[6], const uint8_t (&black)[6]) {
    uint64_t w = 0;
    for (int i = 0; i < 6; ++i)
        w |= (uint64_t{white[i]} << (PackFieldBits * i)) | (uint64_t{black[i]} << (32 + PackFieldBits * i));
    return w;
}

constexpr bool fits(uint64_t have, uint64_t need) { return ((have - need) & PackGuardBits) == 0; }

// A pattern compiled for one choice of first side.
struct Materialmuster_t {
    uint64_t minimum;  // counts both sides must have at least
    uint64_t excess;   // what each side must have more than the other
    Wert_t value;      // for White; negated when Black is the first side
};

struct MaterialPatternDef {
    std::string_view signature;
    Wert_t value;
};
constexpr MaterialPatternDef MaterialPatternDefs[4] = {
    {"L-BS", makeScore(262, 117)},
    {"S-BT", makeScore(475, -133)},
    {"SS-T", makeScore(286, 68)},
    {"SS-BL", makeScore(239, 19)},
};
constexpr int MaterialPatternCount = 4;

// Compiles a pattern with White (firstSide 0) or Black (1) owning the first record.
constexpr Materialmuster_t compilePattern(const MaterialPatternDef& def, int firstSide) {
    const MaterialSignatur_t sig = parseSignature(def.signature);
    uint8_t more[2][6] = {};
    for (int i = 0; i < 6; ++i) {
        const int d = sig.count[0][i] - sig.count[1][i];
        more[0][i] = static_cast<uint8_t>(d > 0 ? d : 0);
        more[1][i] = static_cast<uint8_t>(d < 0 ? -d : 0);
    }
    return firstSide == 0 ? Materialmuster_t{packCounts(sig.count[0], sig.count[1]),
                                             packCounts(more[0], more[1]), def.value}
                          : Materialmuster_t{packCounts(sig.count[1], sig.count[0]),
                                             packCounts(more[1], more[0]), -def.value};
}

// The pattern term: every pattern, White first then Black first, fitted as often as
// the running excess word allows (a fit uses up the excess it matched).
Wert_t materialPatternScore(const MaterialCounts& counts);

}  // namespace tolvaren
