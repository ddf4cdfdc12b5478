#include "eval/piece_activity.h"

#include <algorithm>
#include <bit>

#include "board/attack_tables.h"
#include "board/position.h"
#include "eval/pawn_structure.h"
#include "eval/square_sets.h"
#include "eval/weights.h"

namespace tolvaren {
namespace {

// Square weights of minor-piece mobility: 1 everywhere, +1 in c3-f6, +1 more in the centre.
constexpr Bitboard CentreBlock = (fileMask(2) | fileMask(3) | fileMask(4) | fileMask(5)) &
                                 (rankMask(3) | rankMask(4) | rankMask(5) | rankMask(6));
constexpr Bitboard Centre = (fileMask(3) | fileMask(4)) & (rankMask(4) | rankMask(5));

// Each half of the block (two ranks, files c-f) lies in one 16-bit quarter and leaves
// that quarter's a, b, g and h files free; its two centre squares are copied into free
// bits, so one look-up counts the half's squares and its centre squares once more.
constexpr Bitboard QuarterTwo = 0x00000000FFFF0000ULL;    // ranks 6 and 5
constexpr Bitboard QuarterThree = 0x0000FFFF00000000ULL;  // ranks 4 and 3
constexpr int CentreHighShift = 5;                        // d5, e5 onto g6, h6
constexpr int CentreLowShift = 3;                         // d4, e4 onto g4, h4
static_assert((((Centre & QuarterTwo) >> CentreHighShift) & (CentreBlock | ~QuarterTwo)) == 0);
static_assert((((Centre & QuarterThree) << CentreLowShift) & (CentreBlock | ~QuarterThree)) == 0);
static_assert((CentreBlock & ~(QuarterTwo | QuarterThree)) == 0 && std::popcount(Centre) == 4 &&
              (Centre & ~CentreBlock) == 0);

inline int weightedCount(Bitboard b) {
    const uint8_t* t = attackTables.popCount16;
    const Bitboard high = (b & CentreBlock & QuarterTwo) | ((b & Centre & QuarterTwo) >> CentreHighShift);
    const Bitboard low = (b & CentreBlock & QuarterThree) | ((b & Centre & QuarterThree) << CentreLowShift);
    return popCountByTable(b) + t[high >> 16] + t[low >> 32];
}

constexpr int mirror(int color, int square) {
    return color == White ? square : 63 - square;
}

template <int Us>
Wert_t mobilityOf(const Stellung_t& pos, const Zustand_t& state, int& kingAttackWeight) {
    constexpr int Them = Us ^ 1;
    const Seite_t& own = pos.sides[Us];
    const Seite_t& enemy = pos.sides[Them];
    const Angriffe_t& ownAttacks = state.by(Us);
    const Angriffe_t& enemyAttacks = state.by(Them);
    const Bitboard ring = kingAttacks(enemy.kingSquare());
    const Bitboard occupied = state.occupancy;

    int weight = 0;
    if (ring & ownAttacks.pawnAttacks) weight += PawnAttackWeight;

    // Squares worth going to: not our own, not covered by enemy pawns, not attacked
    // by the enemy unless we cover them twice; enemy pieces always count.
    const Bitboard area = ~(own.pieces[AllPieces] | enemyAttacks.pawnAttacks |
                            (enemyAttacks.attacked & ~ownAttacks.attackedTwice)) |
                          (enemy.pieces[AllPieces] & ~enemy.pieces[Pawn]);

    Wert_t score = 0;
    for (int i = 0; i < own.count[Knight]; ++i) {
        const int s = own.squares(Knight)[i];
        const Bitboard a = knightAttacks(s) & area;
        if (a & ring) weight += KnightAttackWeight;
        score += KnightSquare[mirror(Us, s)] + KnightMobility[weightedCount(a)];
    }
    for (int i = 0; i < own.count[Bishop]; ++i) {
        const Bitboard a = bishopAttacks(own.squares(Bishop)[i], occupied) & area;
        if (a & ring) weight += BishopAttackWeight;
        score += BishopMobility[weightedCount(a)];
    }
    if (own.count[Rook]) {
        // Rooks look through their own pieces except pawns and the king; while the
        // side may still castle, the squares next to the corners are not counted.
        const Bitboard blockers = enemy.pieces[AllPieces] | own.pieces[Pawn] | own.pieces[King];
        constexpr Bitboard CastlingSquares =
            Us == White
                ? bit(squareOf(0, 2)) | bit(squareOf(7, 2)) | bit(squareOf(1, 1)) | bit(squareOf(6, 1))
                : bit(squareOf(0, 7)) | bit(squareOf(7, 7)) | bit(squareOf(1, 8)) | bit(squareOf(6, 8));
        constexpr int OwnRights = Us == White ? WhiteShort | WhiteLong : BlackShort | BlackLong;
        const Bitboard rookArea = (pos.castling & OwnRights) ? area & ~CastlingSquares : area;
        for (int i = 0; i < own.count[Rook]; ++i) {
            const Bitboard a = rookAttacks(own.squares(Rook)[i], blockers) & rookArea;
            if (a & ring) weight += RookAttackWeight;
            score += RookMobility[popCountByTable(a)];
        }
    }
    if (own.count[Queen]) {
        const Bitboard queenArea = ~(enemyAttacks.attacked | own.pieces[AllPieces]) | enemy.pieces[Queen];
        for (int i = 0; i < own.count[Queen]; ++i) {
            const Bitboard a = queenAttacks(own.squares(Queen)[i], occupied) & queenArea;
            if (a & ring) weight += QueenAttackWeight;
            score += QueenMobility[popCountByTable(a)];
        }
    }
    kingAttackWeight += weight;
    return score;
}

template <int Us>
Wert_t pieceTermsOf(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns) {
    constexpr int Them = Us ^ 1;
    const Seite_t& own = pos.sides[Us];
    const Seite_t& enemy = pos.sides[Them];
    const Angriffe_t& ownAttacks = state.by(Us);
    const Angriffe_t& enemyAttacks = state.by(Them);
    const Bitboard ownPawns = own.pieces[Pawn];
    const Bitboard enemyPawns = enemy.pieces[Pawn];
    Wert_t score = 0;

    // Minor pieces on outposts.
    for (Bitboard b = own.pieces[Knight] & pawns.outposts[Us]; b;)
        score += KnightOutpost[mirror(Us, popLowest(b))];
    for (Bitboard b = own.pieces[Bishop] & pawns.outposts[Us]; b;)
        score += BishopOutpost[mirror(Us, popLowest(b))];

    // Rooks on the seventh rank, counted once.
    if (own.pieces[Rook] & relativeRankMask(Us, 7)) {
        int eg = (enemyPawns & relativeRankMask(Us, 7)) ? RookSeventhEgWithPawns : RookSeventhEg;
        if (enemy.pieces[King] & relativeRankMask(Us, 8)) eg += RookSeventhKingEg;
        score += makeScore(RookSeventhMg, eg);
    }

    // Rooks against backward pawns on files without our pawns.
    if (own.count[Rook] && (enemyPawns & pawns.backwardOnHalfOpen))
        score += (own.count[Rook] + 1) * RookVsBackwardPawn;

    // A bishop on a7/h7 shut in by a defended pawn on b6/g6, or about to be.
    if (own.pieces[Bishop]) {
        constexpr int Flip = Us == White ? 0 : 56;
        constexpr int Corners[2][4] = {
            // bishop, own pawn that could free it, enemy pawn's trap square, its start
            {squareOf(0, 7) ^ Flip, squareOf(0, 5) ^ Flip, squareOf(1, 6) ^ Flip, squareOf(1, 7) ^ Flip},
            {squareOf(7, 7) ^ Flip, squareOf(7, 5) ^ Flip, squareOf(6, 6) ^ Flip, squareOf(6, 7) ^ Flip},
        };
        for (const auto& c : Corners) {
            if (!(own.pieces[Bishop] & bit(c[0])) || (ownPawns & bit(c[1]))) continue;
            const bool trapCovered = enemyAttacks.attacked & bit(c[2]);
            const bool trapped = (enemyPawns & bit(c[2])) && trapCovered;
            const bool trapComing =
                pos.side == Them && (enemyPawns & bit(c[3])) && !(state.occupancy & bit(c[2])) && trapCovered;
            if (trapped || trapComing) score += TrappedBishop;
        }
    }

    // Support of our passed pawns on ranks 5 to 7 and control of the square ahead.
    for (Bitboard b = ownPawns & pawns.passed &
                      (relativeRankMask(Us, 5) | relativeRankMask(Us, 6) | relativeRankMask(Us, 7));
         b;) {
        const int s = popLowest(b);
        const PasserSupport& w = PasserSupportByRank[relativeRank(Us, s)];
        const Bitboard front = forwardOne<Us>(bit(s));
        if (ownAttacks.attacked & bit(s)) score += w.defended;
        if (state.occupancy & front) score -= w.frontOccupied;
        if (enemyAttacks.attacked & front) {
            score -= w.enemyAttack;
            if (enemyAttacks.attackedTwice & front) score -= w.enemyDoubleAttack;
        }
        if (ownAttacks.attacked & front) {
            score += w.ownAttack;
            if (ownAttacks.attackedTwice & front) score += w.ownDoubleAttack;
        }
    }

    // A lone bishop: pawns help it, pawns on its colour hinder it.
    if (own.count[Bishop] == 1) {
        const Bitboard colour = (own.pieces[Bishop] & LightSquares) ? LightSquares : ~LightSquares;
        score += popCountByTable(ownPawns) * BadBishopPerPawn +
                 popCountByTable(ownPawns & colour) * BadBishopSameColourPawn;
    }

    // A king without pawn cover facing a queen.
    constexpr Bitboard Inner = ~(FileA | FileH | Rank1 | Rank8);
    if (enemy.count[Queen] && !(ownPawns & kingAttacks(own.kingSquare()) & Inner))
        score += BareKingAgainstQueen;

    // Pieces attacked and undefended, or attacked by something cheaper.
    const Bitboard hanging =
        own.pieces[AllPieces] & ((enemyAttacks.attacked & ~ownAttacks.attacked) | enemyAttacks.threats);
    score -= HangingPieces[popCountByTable(hanging)];

    // Enemy pieces we pin.
    score += popCountByTable(ownAttacks.pinned & ~enemyPawns) * PinnedPiece;
    return score;
}

}  // namespace

Wert_t mobility(const Stellung_t& pos, const Zustand_t& state, int side, int& kingAttackWeight) {
    return side == White ? mobilityOf<White>(pos, state, kingAttackWeight)
                         : mobilityOf<Black>(pos, state, kingAttackWeight);
}

Wert_t pieceTermsOfSide(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns,
                        int side) {
    return side == White ? pieceTermsOf<White>(pos, state, pawns) : pieceTermsOf<Black>(pos, state, pawns);
}

Wert_t pieceTerms(const Stellung_t& pos, const Zustand_t& state, const BauernEintrag_t& pawns) {
    return pieceTermsOf<White>(pos, state, pawns) - pieceTermsOf<Black>(pos, state, pawns);
}

}  // namespace tolvaren
