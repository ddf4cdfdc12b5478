#include "eval/explain.h"

#include <cstdio>

#include "board/position.h"
#include "eval/evaluate.h"

namespace tolvaren {
namespace {

void print(const LineFn& out, const char* format, auto... args) {
    char line[256];
    std::snprintf(line, sizeof line, format, args...);
    out(line);
}

}  // namespace

void explainEvaluation(const Stellung_t& pos, const Zustand_t& state, Materialtabelle_t& material,
                       Bauerntabelle_t& pawns, const LineFn& out) {
    EvalTrace t{};
    evaluateTraced(pos, state, material, pawns, t);
    const MaterialEintrag_t& m = t.material;

    print(out, "material white %d black %d score %d", m.whiteSum, m.blackSum, m.materialScore);
    print(out, "phase mg %d eg %d", m.mgWeight, m.egWeight);
    print(out, "patterns mg %d eg %d", mgOf(m.patternScore), egOf(m.patternScore));
    print(out, "pawns mg %d eg %d", mgOf(t.pawns), egOf(t.pawns));
    print(out, "mobility white mg %d eg %d black mg %d eg %d", mgOf(t.mobility[White]),
          egOf(t.mobility[White]), mgOf(t.mobility[Black]), egOf(t.mobility[Black]));
    print(out, "king attack weight white %d black %d", t.kingAttackWeight[White],
          t.kingAttackWeight[Black]);
    print(out, "pieces white mg %d eg %d black mg %d eg %d", mgOf(t.pieces[White]),
          egOf(t.pieces[White]), mgOf(t.pieces[Black]), egOf(t.pieces[Black]));
    if (t.endgameKingDone)
        print(out, "king endgame white %d black %d eg %d", t.kingActivity[White],
              t.kingActivity[Black], t.kingEndgame);
    else
        print(out, "king endgame skipped");
    if (t.kingSafetyDone)
        print(out, "king safety white %d black %d mg %d", t.kingDanger[White], t.kingDanger[Black],
              t.kingSafety);
    else
        print(out, "king safety skipped");
    print(out, "tempo mg %d eg %d", mgOf(t.tempo), egOf(t.tempo));
    print(out, "total mg %d eg %d", mgOf(t.total), egOf(t.total));
    print(out, "blended %d scaled %d", t.blended, t.scaled);
    print(out, "final %d", t.final);
}

}  // namespace tolvaren
