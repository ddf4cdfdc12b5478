#include "eval/evaluate.h"

#include <algorithm>
#include <bit>

#include "board/ablation.h"
#include "board/position.h"
#include "eval/king_terms.h"
#include "eval/piece_activity.h"
#include "eval/weights.h"

namespace tolvaren {
namespace {

// Width of a side's passed pawns for the opposite-bishop factor.
int passerSpread(uint8_t files) {
    if (!files) return 0;
    const int width = (7 - std::countl_zero(files)) - std::countr_zero(files);
    return width < 3 ? OppositeBishopsClosePassers : OppositeBishopsSpreadPassers;
}

template <bool Trace>
int evaluateImpl(const Stellung_t& pos, const Zustand_t& state, Materialtabelle_t& materialTable,
                 Bauerntabelle_t& pawnTable, EvalTrace* trace) {
    const MaterialEintrag_t& m = probeMaterial(pos, state, materialTable);
    const BauernEintrag_t& p = probePawns(pos, state, pawnTable);

    using ablation::off;
    Wert_t s = 0;
    if (!off(ablation::MaterialPatterns)) s += m.patternScore;
    if (!off(ablation::Pawns)) s += p.score;
    int weight[2] = {0, 0};
    const Wert_t whiteMobility = mobility(pos, state, White, weight[White]);
    const Wert_t blackMobility = mobility(pos, state, Black, weight[Black]);
    if (!off(ablation::Mobility)) s += whiteMobility - blackMobility;
    if (!off(ablation::Pieces)) s += pieceTerms(pos, state, p);

    int kingEnd = 0, kingSafe = 0;
    if (m.egWeight > 0 && !off(ablation::KingEndgame)) {
        kingEnd = kingEndgame(pos, state, p);
        s += endgameOnly(kingEnd);
    }
    if (m.mgWeight > 0 && !off(ablation::KingSafety)) {
        kingSafe = kingSafety(pos, state, p, m.whiteSum, m.blackSum, weight[Black], weight[White]);
        s += kingSafe;  // lands in the midgame half
    }
    const Wert_t tempo = off(ablation::Tempo) ? Wert_t{} : pos.side == White ? Tempo : -Tempo;
    s += tempo;

    const int blend = (egOf(s) * m.egWeight + mgOf(s) * m.mgWeight) / MaxPhase;
    const int scaled =
        off(ablation::Scaling) ? m.materialScore + blend : scaleScore(pos, m.materialScore + blend, p);
    const int v = quantise(pos.side == White ? scaled : -scaled);

    if constexpr (Trace) {
        EvalTrace& t = *trace;
        t.material = m;
        t.pawns = p.score;
        t.mobility[White] = whiteMobility;
        t.mobility[Black] = blackMobility;
        t.kingAttackWeight[White] = weight[White];
        t.kingAttackWeight[Black] = weight[Black];
        t.pieces[White] = pieceTermsOfSide(pos, state, p, White);
        t.pieces[Black] = pieceTermsOfSide(pos, state, p, Black);
        t.endgameKingDone = m.egWeight > 0;
        t.kingActivity[White] = kingActivity(pos, state, p, White);
        t.kingActivity[Black] = kingActivity(pos, state, p, Black);
        t.kingEndgame = kingEnd;
        t.kingSafetyDone = m.mgWeight > 0;
        t.kingDanger[White] = kingDanger(pos, state, p, White, weight[Black]);
        t.kingDanger[Black] = kingDanger(pos, state, p, Black, weight[White]);
        t.kingSafety = kingSafe;
        t.tempo = tempo;
        t.total = s;
        t.blended = m.materialScore + blend;
        t.scaled = scaled;
        t.final = v;
    }
    return v;
}

}  // namespace

int scaleScore(const Stellung_t& pos, int v, const BauernEintrag_t& pawns) {
    const Seite_t& w = pos.sides[White];
    const Seite_t& b = pos.sides[Black];

    if (oppositeBishops(pos)) {
        const int pieces = w.count[AllPieces] + b.count[AllPieces] - w.count[Pawn] - b.count[Pawn];
        int factor = -1;
        if (pieces == 4) {
            factor = OppositeBishopsFactor;
            if (moreThanOne(pawns.passed))
                factor -= passerSpread(static_cast<uint8_t>(pawns.passedFiles)) +
                          passerSpread(static_cast<uint8_t>(pawns.passedFiles >> 56));
        } else if (pieces == 6 && w.count[Rook] == 1 && b.count[Rook] == 1) {
            factor = OppositeBishopsRooksFactor;
        }
        if (factor >= 0) {
            // Large advantages are compressed before the drawish share is taken off.
            int t = v;
            if (v > 1000) {
                t = v / 4 + 750;
                if (t > 2000) t = t / 2 + 1000;
            } else if (v < -1000) {
                t = v / 4 - 750;
                if (t < -2000) t = t / 2 - 1000;
            }
            return v - t * factor / 256;
        }
    }

    // A side without pawns rarely wins; its advantage shrinks toward a draw.
    if (!b.count[Pawn] && w.count[Pawn] && v <= 0) return std::min(v + PawnlessSideDiscount, 1);
    if (b.count[Pawn] && !w.count[Pawn] && v >= 0) return std::max(v - PawnlessSideDiscount, -1);
    return v;
}

int evaluate(const Stellung_t& pos, const Zustand_t& state, Materialtabelle_t& material,
             Bauerntabelle_t& pawns) {
    return evaluateImpl<false>(pos, state, material, pawns, nullptr);
}

int evaluateTraced(const Stellung_t& pos, const Zustand_t& state, Materialtabelle_t& material,
                   Bauerntabelle_t& pawns, EvalTrace& trace) {
    return evaluateImpl<true>(pos, state, material, pawns, &trace);
}

}  // namespace tolvaren
