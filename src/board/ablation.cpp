#include "board/ablation.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tolvaren::ablation {

namespace {

struct Named {
    std::string_view name;
    Switch value;
};

constexpr Named Names[] = {
    {"pawns", Pawns},
    {"mobility", Mobility},
    {"pieces", Pieces},
    {"kingsafety", KingSafety},
    {"kingendgame", KingEndgame},
    {"materialpatterns", MaterialPatterns},
    {"scaling", Scaling},
    {"tempo", Tempo},
    {"recognizers", Recognizers},
    {"nullmove", NullMove},
    {"lmr", LateMoveReductions},
    {"futility", Futility},
    {"checkextension", CheckExtension},
    {"pawnendingextension", PawnEndingExtension},
    {"deltapruning", DeltaPruning},
    {"quiescencechecks", QuiescenceChecks},
    {"quiescencebadcaptures", QuiescenceBadCaptures},
    {"childtablescan", ChildTableScan},
    {"queencontactcheck", QueenContactCheck},
    {"killers", Killers},
    {"history", History},
    {"rootreduction", RootReduction},
    {"incrementreserve", IncrementReserve},
};

// The switch of a name as written in TOLVAREN_ABLATE, 0 when unknown.
uint32_t switchOf(std::string_view name) {
    for (const Named& n : Names)
        if (n.name == name) return n.value;
    return 0;
}

}  // namespace

uint32_t parseSwitches(std::string_view list, std::string_view& unknown) {
    uint32_t mask = 0;
    unknown = {};
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        if (name.empty()) continue;
        const uint32_t s = switchOf(name);
        if (!s) {
            unknown = name;
            return mask;
        }
        mask |= s;
    }
    return mask;
}

#ifdef TOLVAREN_ABLATION
namespace {

uint32_t switchesFromEnvironment() {
    const char* text = std::getenv("TOLVAREN_ABLATE");
    if (!text) return 0;
    std::string_view unknown;
    const uint32_t mask = parseSwitches(text, unknown);
    if (!unknown.empty()) {
        // A misspelt switch would silently test the normal engine.
        std::fprintf(stderr, "tolvaren: unknown ablation switch '%s'\n", std::string(unknown).c_str());
        std::exit(2);
    }
    if (mask) std::fprintf(stderr, "tolvaren: switched off: %s\n", text);
    return mask;
}

}  // namespace

const uint32_t activeSwitches = switchesFromEnvironment();
#endif

}  // namespace tolvaren::ablation
