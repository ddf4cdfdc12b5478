// The static evaluation: material and pawn probes, mobility, piece terms, the two
// phase-gated king terms and tempo, blended by phase, scaled for drawish material,
// turned to the side to move and quantised. The search calls evaluate at its leaves.
#pragma once

#include <cstdint>

#include "eval/material.h"
#include "eval/pawn_structure.h"
#include "eval/score.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// Score in 1/10 centipawns from the side to move's view. Writes only the two
// tables, which belong to the calling thread; allocates nothing and takes no lock.
int evaluate(const Stellung_t& pos, const Zustand_t& state, Materialtabelle_t& material,
             Bauerntabelle_t& pawns);

// Damps White-view score v for opposite-coloured bishops and for a side without pawns.
int scaleScore(const Stellung_t& pos, int v, const BauernEintrag_t& pawns);

// Every result of magnitude 2 or more becomes an odd multiple of 8; -1, 0 and 1 stay,
// reserved for the draw-leaning results of scaleScore.
constexpr int quantise(int v) {
    if (v >= 2) return (v & ~15) + 8;
    if (v <= -2) return -((-v & ~15) + 8);
    return v;
}

// Every intermediate value of one evaluation, for the "eval" command and tests.
struct EvalTrace {
    MaterialEintrag_t material;
    Wert_t pawns;
    Wert_t mobility[2];
    int kingAttackWeight[2];  // by attacking side
    Wert_t pieces[2];         // each side's own view
    bool endgameKingDone;
    int kingActivity[2];      // each side's own part of the endgame king term
    int kingEndgame;          // White minus Black
    bool kingSafetyDone;
    int kingDanger[2];        // before material scaling
    int kingSafety;           // White minus Black
    Wert_t tempo;             // signed for White's view
    Wert_t total;
    int blended;              // material score included
    int scaled;
    int final;                // what evaluate returns
};

// As evaluate, filling `trace`.
int evaluateTraced(const Stellung_t& pos, const Zustand_t& state, Materialtabelle_t& material,
                   Bauerntabelle_t& pawns, EvalTrace& trace);

}  // namespace tolvaren
