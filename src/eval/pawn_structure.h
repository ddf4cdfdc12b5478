// The pawn table: per-thread cache of everything that depends only on the pawns
// (structure score, open files, outposts, backward and passed pawns, catch regions,
// shelter pawns). evaluate probes it; the piece, king and scaling terms read it.
#pragma once

#include <cstdint>

#include "board/bitboard.h"
#include "eval/score.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

struct BauernEintrag_t {
    uint64_t key;                    // pawn key; valid when equal to the probing key
    Wert_t score;                    // pawn structure, White minus Black
    uint8_t openFiles;               // bit f: file f holds no pawn at all
    uint8_t pawnFileCount;           // files holding at least one pawn
    uint8_t filesWithoutWhitePawns;  // count
    uint8_t filesWithoutBlackPawns;  // count
    Bitboard outposts[2];            // by colour: own pawn attacks no enemy pawn can ever contest
    Bitboard blockedOrBackward;      // blocked pawn pairs and backward pawns of both sides
    Bitboard backwardOnHalfOpen;     // backward pawns on files without enemy pawns
    Bitboard passed;                 // passed pawns of both sides
    Bitboard passedFiles;            // byte 0: files of White's passers, byte 7: Black's
    // By the passers' colour: squares from which the other king stops all of them
    // (all ones when that colour has no passer).
    Bitboard catchRegion[2];
    Bitboard defended[2];            // pawns defended by a pawn (the king's shelter pawns)
};
static_assert(sizeof(BauernEintrag_t) == 96);

constexpr int PawnTableSize = 1024;

// Direct-mapped by the low 10 bits of the pawn key; a miss overwrites the slot.
// Owned by one search thread; default construction zero-fills it.
struct Bauerntabelle_t {
    BauernEintrag_t entry[PawnTableSize]{};
};

const BauernEintrag_t& probePawns(const Stellung_t& pos, const Zustand_t& state, Bauerntabelle_t& table);

// Squares from which the enemy king stops the passed pawn of `color` on `square`
// (one member of the intersection kept in catchRegion).
Bitboard passerCatchRegion(int color, int square, Bitboard whitePawns, Bitboard blackPawns);

// Fills an entry from the two pawn sets alone (probePawns' miss path; also for tests).
void computePawnEntry(Bitboard whitePawns, Bitboard blackPawns, uint64_t key, BauernEintrag_t& entry);

}  // namespace tolvaren
