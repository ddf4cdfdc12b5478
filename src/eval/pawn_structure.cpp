#include "eval/pawn_structure.h"

#include <algorithm>

#include "board/attack_tables.h"
#include "board/position.h"
#include "eval/square_sets.h"
#include "eval/weights.h"

namespace tolvaren {
namespace {

constexpr Bitboard Rank2 = rankMask(2);
constexpr Bitboard Ranks5And6 = rankMask(5) | rankMask(6);

// What one side's pawns earn, computed as if that side were White (advancing toward
// rank 8). Black's pawns are evaluated on the vertically mirrored board, which is
// exact because every pawn table is symmetric between the a-d and h-e files.
struct SidePawns {
    Wert_t score = 0;
    Bitboard outposts = 0;
    Bitboard backward = 0;
    Bitboard backwardOnHalfOpen = 0;
    Bitboard passed = 0;
    Bitboard catchRegion = ~Bitboard{0};
    Bitboard defended = 0;
};

// Squares the enemy king may cross while chasing a passer from `square`.
Bitboard catchRegionOf(int square, Bitboard us, Bitboard them) {
    const int steps = std::min(8 - rankOf(square), 5);  // a pawn on rank 2 can double-step
    const Bitboard doublyAttacked = pawnAttacksTowardA<White>(us) & pawnAttacksTowardH<White>(us);
    const Bitboard open = ~((us | them) & ~bit(square)) & ~doublyAttacked;
    Bitboard region = bit(fileOf(square));  // the promotion square
    for (int i = 0; i < steps; ++i) region |= kingSpread(region) & open;
    return region;
}

SidePawns evaluateSide(Bitboard us, Bitboard them) {
    SidePawns r;
    const Bitboard ourAttacks = pawnAttacks<White>(us);
    const Bitboard theirAttacks = pawnAttacks<Black>(them);
    const uint8_t ourFiles = filesOf(us);
    const uint8_t neighbourFiles = static_cast<uint8_t>((ourFiles << 1) | (ourFiles >> 1));
    const Bitboard beside = towardA(us) | towardH(us);

    // Per file: tripled pawns and isolated files.
    for (uint8_t files = ourFiles; files; files &= files - 1) {
        const int f = std::countr_zero(files);
        const int n = popCountByTable(us & fileMask(f));
        if (n > 2) r.score += (n - 2) * TripledPawn;
        if (!(neighbourFiles & (1 << f))) {
            r.score += (f == 0 || f == 7) ? IsolatedEdgeFile : IsolatedFile;
            if (n >= 2) r.score += IsolatedDoubledFile;
        }
    }

    // Has a friend on a neighbouring file, but none beside it or diagonally adjacent.
    const Bitboard near = beside | northOne(beside) | southOne(beside);
    r.score += popCountByTable(us & filesToSet(neighbourFiles) & ~near) * DisconnectedPawn;

    // Another own pawn one to three squares behind it on its file.
    const Bitboard doubled = us & ((us >> 8) | (us >> 16) | (us >> 24));
    r.score += popCountByTable(doubled) * DoubledPawn;

    // Squares our pawns attack or could come to attack by advancing one or two steps.
    Bitboard reachable = ourAttacks;
    reachable |= northOne(reachable) & ~us;
    reachable |= northOne(reachable) & ~us;
    const Bitboard unsupported = us & ~beside & ~reachable;

    const Bitboard blocked = us & southOne(them);
    r.backward = unsupported & southOne(theirAttacks);
    r.score += popCountByTable(r.backward) * BackwardPawn;
    r.score += popCountByTable(r.backward & pawnAttacks<Black>(blocked)) * BackwardBehindBlocked;
    r.backwardOnHalfOpen = r.backward & ~filesToSet(filesOf(them));
    const Bitboard halfBackward =
        unsupported & ~southOne(theirAttacks) & (southOne(theirAttacks & ~ourAttacks) << 8);
    r.score += popCountByTable(halfBackward) * HalfBackwardPawn;

    // Passed: no enemy pawn ahead on its own or a neighbouring file.
    const Bitboard theirFront = southFill(southOne(them));
    r.passed = us & ~(theirFront | towardA(theirFront) | towardH(theirFront));
    const Bitboard passerSides = towardA(r.passed) | towardH(r.passed);
    const Bitboard connected = r.passed & (passerSides | northOne(passerSides) | southOne(passerSides));
    for (Bitboard b = r.passed; b;) {
        const int s = popLowest(b);
        r.score += PassedPawnSquare[s];
        if (connected & bit(s)) r.score += ConnectedPasser[rankOf(s)];
        r.catchRegion &= catchRegionOf(s, us, them);
    }

    for (Bitboard b = us; b;) {
        const int s = popLowest(b);
        r.score += PawnSquare[s];
    }

    // Candidates on ranks 5 and 6: a free file ahead, and at least as many helpers
    // (beside or one rank behind on the neighbouring files) as sentries ahead on
    // those files, so that exchanges leave a passer.
    for (Bitboard b = us & Ranks5And6 & ~r.passed & ~(southOne(them) | (southOne(them) << 8)); b;) {
        const int s = popLowest(b);
        const int rank = rankOf(s);
        const Bitboard sideFiles = towardA(fileMask(fileOf(s))) | towardH(fileMask(fileOf(s)));
        const int sentries = popCountByTable(them & sideFiles & (rankMask(rank + 1) | rankMask(rank + 2)));
        const int helpers =
            popCountByTable(us & sideFiles & Ranks5And6 & (rankMask(rank) | rankMask(rank - 1)));
        if (sentries <= helpers) r.score += rank == 6 ? CandidateRank6 : CandidateRank5;
    }

    // Enemy pawns advancing through squares we neither hold nor attack still reach
    // the squares they will attack; what we attack beyond that is an outpost.
    Bitboard gen = them;
    Bitboard pro = ~us & ~ourAttacks;
    gen |= pro & (gen << 8);
    pro &= pro << 8;
    gen |= pro & (gen << 16);
    pro &= pro << 16;
    gen |= pro & (gen << 32);
    r.outposts = ourAttacks & ~pawnAttacks<Black>(gen);

    // A pawn on its second rank also shelters when it guards the squares ahead of it.
    r.defended = (us & ourAttacks) | (us & Rank2 & (southOne(ourAttacks) | (southOne(ourAttacks) << 8)));
    return r;
}

}  // namespace

Bitboard passerCatchRegion(int color, int square, Bitboard whitePawns, Bitboard blackPawns) {
    if (color == White) return catchRegionOf(square, whitePawns, blackPawns);
    return flipVertical(catchRegionOf(square ^ 56, flipVertical(blackPawns), flipVertical(whitePawns)));
}

void computePawnEntry(Bitboard whitePawns, Bitboard blackPawns, uint64_t key, BauernEintrag_t& e) {
    const SidePawns w = evaluateSide(whitePawns, blackPawns);
    SidePawns b = evaluateSide(flipVertical(blackPawns), flipVertical(whitePawns));
    b.outposts = flipVertical(b.outposts);
    b.backward = flipVertical(b.backward);
    b.backwardOnHalfOpen = flipVertical(b.backwardOnHalfOpen);
    b.passed = flipVertical(b.passed);
    b.catchRegion = flipVertical(b.catchRegion);
    b.defended = flipVertical(b.defended);

    const uint8_t whiteFiles = filesOf(whitePawns);
    const uint8_t blackFiles = filesOf(blackPawns);
    const Bitboard blockedPairs = (whitePawns & southOne(blackPawns)) | (blackPawns & northOne(whitePawns));

    e.key = key;
    e.score = w.score - b.score;
    e.openFiles = static_cast<uint8_t>(~(whiteFiles | blackFiles));
    e.pawnFileCount = static_cast<uint8_t>(popCountByTable(whiteFiles | blackFiles));
    e.filesWithoutWhitePawns = static_cast<uint8_t>(8 - popCountByTable(whiteFiles));
    e.filesWithoutBlackPawns = static_cast<uint8_t>(8 - popCountByTable(blackFiles));
    e.outposts[White] = w.outposts;
    e.outposts[Black] = b.outposts;
    e.blockedOrBackward = blockedPairs | w.backward | b.backward;
    e.backwardOnHalfOpen = w.backwardOnHalfOpen | b.backwardOnHalfOpen;
    e.passed = w.passed | b.passed;
    e.passedFiles = Bitboard{filesOf(w.passed)} | (Bitboard{filesOf(b.passed)} << 56);
    e.catchRegion[White] = w.catchRegion;
    e.catchRegion[Black] = b.catchRegion;
    e.defended[White] = w.defended;
    e.defended[Black] = b.defended;
}

const BauernEintrag_t& probePawns(const Stellung_t& pos, const Zustand_t& state, Bauerntabelle_t& table) {
    const uint64_t key = state.pawnKey;
    BauernEintrag_t& e = table.entry[key & (PawnTableSize - 1)];
    // Key 0 (no pawns) also marks an empty slot; a filled pawnless entry counts 8
    // files without White pawns.
    if (e.key == key && (key != 0 || e.filesWithoutWhitePawns == 8)) return e;
    computePawnEntry(pos.sides[White].pieces[Pawn], pos.sides[Black].pieces[Pawn], key, e);
    return e;
}

}  // namespace tolvaren
