// Strength testing: a build configured with TOLVAREN_ABLATION can switch single
// evaluation terms and search rules off, named in the environment variable
// TOLVAREN_ABLATE (for example "nullmove,lmr"), to measure what each is worth in
// matches against the normal build. Normal builds compile every test away.
#pragma once

#include <cstdint>
#include <string_view>

namespace tolvaren::ablation {

enum Switch : uint32_t {
    // Evaluation terms.
    Pawns = 1u << 0,
    Mobility = 1u << 1,
    Pieces = 1u << 2,
    KingSafety = 1u << 3,
    KingEndgame = 1u << 4,
    MaterialPatterns = 1u << 5,
    Scaling = 1u << 6,
    Tempo = 1u << 7,
    Recognizers = 1u << 8,
    // Search rules.
    NullMove = 1u << 9,
    LateMoveReductions = 1u << 10,
    Futility = 1u << 11,
    CheckExtension = 1u << 12,
    PawnEndingExtension = 1u << 13,
    DeltaPruning = 1u << 14,
    QuiescenceChecks = 1u << 15,
    QuiescenceBadCaptures = 1u << 16,
    ChildTableScan = 1u << 17,
    QueenContactCheck = 1u << 18,
    Killers = 1u << 19,
    History = 1u << 20,
    RootReduction = 1u << 21,
    // Time: count the whole increment instead of keeping 100 ms of it back.
    IncrementReserve = 1u << 22,
};

// The switches a comma-separated list names; sets unknown to the first unknown name.
uint32_t parseSwitches(std::string_view list, std::string_view& unknown);

#ifdef TOLVAREN_ABLATION
extern const uint32_t activeSwitches;
inline bool off(Switch s) {
    return (activeSwitches & s) != 0;
}
#else
constexpr bool off(Switch) {
    return false;
}
#endif

}  // namespace tolvaren::ablation
