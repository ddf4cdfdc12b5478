#include "eval/king_terms.h"

#include <algorithm>
#include <cstdint>

#include "board/attack_tables.h"
#include "board/position.h"
#include "eval/pawn_structure.h"
#include "eval/square_sets.h"
#include "eval/weights.h"

namespace tolvaren {
namespace {

constexpr int mirror(int color, int square) { return color == White ? square : 63 - square; }

// 3 for an empty centre region, plus 1 for each empty neighbour region.
inline int shelterIndex(Bitboard shelter, Bitboard centre) {
    return 3 * !(shelter & centre) + !(shelter & towardA(centre)) + !(shelter & towardH(centre));
}

template <int Us>
int kingDangerOf(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns, int enemyAttackWeight) {
    constexpr int Them = Us ^ 1;
    const Seite_t& own = pos.sides[Us];
    const Seite_t& enemy = pos.sides[Them];
    const Angriffe_t& enemyAttacks = state.by(Them);
    const int king = own.kingSquare();
    const Bitboard ring = kingAttacks(king);

    int k = KingSquareSafety[mirror(Us, king)] - enemyAttackWeight;

    if (const Bitboard doubly = ring & enemyAttacks.attackedTwice) {
        k -= moreThanOne(doubly) ? RingDoubleAttackedMany : RingDoubleAttackedOne;
        // A queen landing next to the king: how many flight squares would it leave?
        if (enemy.count[Queen]) {
            const Bitboard flight = ring & ~own.pieces[AllPieces] & ~enemyAttacks.attacked;
            for (Bitboard b = doubly; b;) {
                const int q = popLowest(b);
                if (!(queenAttacks(q, state.occupancy) & enemy.pieces[Queen])) continue;
                k -= moreThanOne(flight & knightAttacks(q)) ? QueenContactEscapes : QueenContactFewEscapes;
            }
        }
    }

    if (pawns.openFiles & (1 << fileOf(king)))
        k -= OpenKingFilePerQueen * enemy.count[Queen] + OpenKingFilePerRook * enemy.count[Rook];

    k -= PinnedRingSquare * popCountByTable(ring & enemyAttacks.pinned);

    // Shelter where the king stands, blended with the shelter it would get by castling.
    const Bitboard shelter = pawns.defended[Us];
    const Bitboard kingColumn = bit(king) | forwardOne<Us>(bit(king)) | forwardOne<Us>(forwardOne<Us>(bit(king)));
    const int current = ShelterTable[shelterIndex(shelter, kingColumn)];
    constexpr Bitboard Home = relativeRankMask(Us, 1) | relativeRankMask(Us, 2) | relativeRankMask(Us, 3);
    constexpr int ShortRight = Us == White ? WhiteShort : BlackShort;
    constexpr int LongRight = Us == White ? WhiteLong : BlackLong;
    if (pos.castling & (ShortRight | LongRight)) {
        const Bitboard castled = (pos.castling & ShortRight) ? Home & fileMask(6) : Home & fileMask(2);
        const int afterCastling = ShelterTable[shelterIndex(shelter, castled)];
        k += (CastledShelterWeight * afterCastling + (16 - CastledShelterWeight) * current) / 16 + CastlingRightBonus;
    } else {
        k += current;
    }

    if (k < 0) {
        const int64_t growth = int64_t{KingDangerGrowth} * k * (k + KingDangerOffset) / (1 << KingDangerShift);
        k -= static_cast<int>(std::min<int64_t>(growth, MaxKingDangerGrowth));
    }
    return k;
}

template <int Us>
int developmentOf(const Stellung_t& pos, const Zustand_t& state) {
    const Seite_t& own = pos.sides[Us];
    int r = 0;
    // A d- or e-pawn on its home square with something in front of it.
    constexpr Bitboard CentreHome = (fileMask(3) | fileMask(4)) & relativeRankMask(Us, 2);
    const Bitboard inFront = state.occupancy & ~own.pieces[Pawn];
    const Bitboard frontBack = Us == White ? southOne(inFront) : northOne(inFront);
    if (own.pieces[Pawn] & CentreHome & frontBack) r -= BlockedCentrePawn;

    const int undeveloped = popCountByTable((own.pieces[Knight] | own.pieces[Bishop]) & relativeRankMask(Us, 1));
    r -= UndevelopedMinor * undeveloped;
    constexpr Bitboard EarlyQueen = ~(relativeRankMask(Us, 1) | relativeRankMask(Us, 2));
    if (own.pieces[Queen] & EarlyQueen) r -= UndevelopedMinorEarlyQueen * undeveloped;
    return r;
}

// Material scaling of king danger: f(M) = (M - 5000) / 256.
inline int64_t materialFactor(int sum) { return (sum - KingSafetyMaterialBase) / 256; }

bool onlyKingAndPawns(const Seite_t& s) { return s.count[AllPieces] == s.count[Pawn] + 1; }

template <int Us>
int kingActivityOf(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns) {
    constexpr int Them = Us ^ 1;
    const Seite_t& own = pos.sides[Us];
    const Seite_t& enemy = pos.sides[Them];
    const Bitboard enemyAttacked = state.by(Them).attacked;
    const Bitboard ownPieces = own.pieces[AllPieces];
    const int king = own.kingSquare();
    const Bitboard kingBit = bit(king);
    int e = 0;

    // Squares the king reaches in one, two and three safe steps.
    const Bitboard s1 = kingBit | (kingAttacks(king) & ~enemyAttacked);
    if (!(s1 & ~Edges)) e -= KingOnEdge;
    const Bitboard x1 = kingBit | (s1 & ~ownPieces);
    const Bitboard s2 = (x1 | kingSpread(x1)) & ~enemyAttacked;
    const Bitboard x2 = kingBit | (s2 & ~ownPieces);
    const Bitboard s3 = (x2 | kingSpread(x2)) & ~enemyAttacked;
    const int reach = popCountByTable(s3 & ~ownPieces);
    e += PawnInReach2 * popCountByTable(own.pieces[Pawn] & s2) - PawnInReach1 * popCountByTable(own.pieces[Pawn] & s1) +
         KingReach[reach];
    const bool pawnEnding = onlyKingAndPawns(own) && onlyKingAndPawns(enemy);
    if (reach == 0 && pos.side == Us && onlyKingAndPawns(own)) e -= StalematedKingInPawnEnding;

    // Closeness to the squares in front of every passer.
    const Bitboard whitePassers = pawns.passed & pos.sides[White].pieces[Pawn];
    const Bitboard blackPassers = pawns.passed & pos.sides[Black].pieces[Pawn];
    if (const Bitboard fronts = northOne(whitePassers) | southOne(blackPassers)) {
        const int c = popCountByTable(s3 & fronts);
        if (c == 0)
            e -= NoPasserFrontInReach;
        else
            e += PasserFrontInReach3 * c + PasserFrontInReach1 * popCountByTable(s1 & fronts) +
                 PasserFrontInReach2 * popCountByTable(s2 & fronts);
    }

    // A passer the enemy king can no longer catch in a pure pawn ending.
    const Bitboard ownPassers = Us == White ? whitePassers : blackPassers;
    if (pawnEnding && ownPassers && !(pawns.catchRegion[Us] & enemy.pieces[King])) {
        e += RunawayPasser[pos.side == Us];
        // Once: a passer the king cannot catch that would promote with check.
        const Bitboard enemyKing = enemy.pieces[King];
        for (Bitboard b = ownPassers; b;) {
            const int s = popLowest(b);
            const int promotion = Us == White ? fileOf(s) : 56 + fileOf(s);
            if (!(passerCatchRegion(Us, s, pos.sides[White].pieces[Pawn], pos.sides[Black].pieces[Pawn]) &
                  enemyKing) &&
                (queenAttacks(promotion, 0) & enemyKing)) {
                e += RunawayQueenChecks;
                break;
            }
        }
        // The least advanced passer: ours closest to our own back rank.
        const int rearmost = Us == White ? 63 - std::countl_zero(ownPassers) : lowestSquare(ownPassers);
        e += RunawayPerRank * (relativeRank(Us, rearmost) - 2);
    }
    return e;
}

}  // namespace

int kingDanger(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns, int side,
               int enemyAttackWeight) {
    return side == White ? kingDangerOf<White>(pos, state, pawns, enemyAttackWeight)
                         : kingDangerOf<Black>(pos, state, pawns, enemyAttackWeight);
}

int kingSafety(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns, int whiteSum,
               int blackSum, int blackAttackWeight, int whiteAttackWeight) {
    const int64_t kw = kingDangerOf<White>(pos, state, pawns, blackAttackWeight);
    const int64_t kb = kingDangerOf<Black>(pos, state, pawns, whiteAttackWeight);
    // Each king's danger counts with its own side's material.
    int r = static_cast<int>((KingSafetyScale * kw * materialFactor(whiteSum) -
                              KingSafetyScale * kb * materialFactor(blackSum)) /
                             1024);
    r += developmentOf<White>(pos, state) - developmentOf<Black>(pos, state);
    return r;
}

int kingActivity(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns, int side) {
    return side == White ? kingActivityOf<White>(pos, state, pawns) : kingActivityOf<Black>(pos, state, pawns);
}

int kingEndgame(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns) {
    const Seite_t& w = pos.sides[White];
    const Seite_t& b = pos.sides[Black];
    int e = KingCentralisation[b.kingSquare()] - KingCentralisation[w.kingSquare()];
    if (pawns.passed && onlyKingAndPawns(w) && onlyKingAndPawns(b))
        e += PasserInPawnEnding * (popCountByTable(pawns.passed & w.pieces[Pawn]) - popCountByTable(pawns.passed & b.pieces[Pawn]));
    return e + kingActivityOf<White>(pos, state, pawns) - kingActivityOf<Black>(pos, state, pawns);
}

}  // namespace tolvaren
