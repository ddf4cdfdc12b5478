#include "board/movegen.h"

#include "board/attack_tables.h"
#include "board/position.h"

namespace tolvaren {

namespace {

inline uint32_t* add(uint32_t* list, int from, int to, int kind) {
    *list++ = makeMove(from, to, kind);
    return list;
}

inline uint32_t* addPromotions(uint32_t* list, int from, int to) {
    list = add(list, from, to, ZugUmwDame);
    list = add(list, from, to, ZugUmwTurm);
    list = add(list, from, to, ZugUmwLaeufer);
    return add(list, from, to, ZugUmwSpringer);
}

// Pawn geometry of one colour: origin offsets from a destination and the push shift.
template <int C>
struct PawnGeometry {
    static constexpr int TowardA = C == White ? 9 : -7;  // origin = destination + offset
    static constexpr int TowardH = C == White ? 7 : -9;
    static constexpr int Push = C == White ? 8 : -8;
    static constexpr Bitboard LastRank = C == White ? Rank8 : Rank1;
    static constexpr Bitboard ThirdRank = C == White ? Rank1 >> 16 : Rank8 << 16;
    static constexpr Bitboard push(Bitboard b) { return C == White ? b >> 8 : b << 8; }
};

template <int C>
uint32_t* pawnCapturesOnto(Bitboard destinations, int offset, bool underPromotions, uint32_t* list) {
    constexpr Bitboard Last = PawnGeometry<C>::LastRank;
    for (Bitboard b = destinations & Last; b;) {
        const int to = popLowest(b);
        list =
            underPromotions ? addPromotions(list, to + offset, to) : add(list, to + offset, to, ZugUmwDame);
    }
    for (Bitboard b = destinations & ~Last; b;) {
        const int to = popLowest(b);
        list = add(list, to + offset, to, ZugBauer);
    }
    return list;
}

// Pawn moves in the generator's order: captures toward a, toward h (promotions first),
// push promotions, double pushes, single pushes.
template <int C>
uint32_t* pawnMoves(Bitboard pawns, Bitboard captureTargets, Bitboard pushTargets, Bitboard empty,
                    uint32_t* list) {
    using G = PawnGeometry<C>;
    list = pawnCapturesOnto<C>(pawnAttacksTowardA<C>(pawns) & captureTargets, G::TowardA, true, list);
    list = pawnCapturesOnto<C>(pawnAttacksTowardH<C>(pawns) & captureTargets, G::TowardH, true, list);
    const Bitboard single = G::push(pawns) & empty;
    for (Bitboard b = single & pushTargets & G::LastRank; b;) {
        const int to = popLowest(b);
        list = addPromotions(list, to + G::Push, to);
    }
    for (Bitboard b = G::push(single & G::ThirdRank) & empty & pushTargets; b;) {
        const int to = popLowest(b);
        list = add(list, to + 2 * G::Push, to, ZugBauer);
    }
    for (Bitboard b = single & pushTargets & ~G::LastRank; b;) {
        const int to = popLowest(b);
        list = add(list, to + G::Push, to, ZugBauer);
    }
    return list;
}

// E.p. captures: the pawn on the a-file side of the e.p. square first.
template <int C>
uint32_t* enPassant(const Stellung_t& pos, Bitboard pawns, uint32_t* list) {
    const int ep = pos.epSquare;
    const int behind = C == White ? ep + 8 : ep - 8;  // rank of the capturing pawns
    if (fileOf(ep) > 0 && (pawns & bit(behind - 1))) list = add(list, behind - 1, ep, ZugEnPassant);
    if (fileOf(ep) < 7 && (pawns & bit(behind + 1))) list = add(list, behind + 1, ep, ZugEnPassant);
    return list;
}

template <int Type>
inline Bitboard attacksFrom(int square, Bitboard occupancy) {
    if constexpr (Type == Knight)
        return knightAttacks(square);
    else if constexpr (Type == Bishop)
        return bishopAttacks(square, occupancy);
    else if constexpr (Type == Rook)
        return rookAttacks(square, occupancy);
    else if constexpr (Type == Queen)
        return queenAttacks(square, occupancy);
    else
        return kingAttacks(square);
}

// Moves of the pieces of `ListType` (square-list order) using `Type`'s attacks,
// to `targets`, skipping pieces in `skip`.
template <int Type, int ListType = Type>
uint32_t* pieceMoves(const Seite_t& me, Bitboard targets, Bitboard occupancy, Bitboard skip, uint32_t* list) {
    const uint8_t* squares = me.squares(ListType);
    for (int i = 0; i < me.count[ListType]; ++i) {
        const int from = squares[i];
        if (bit(from) & skip) continue;
        for (Bitboard b = attacksFrom<Type>(from, occupancy) & targets; b;)
            list = add(list, from, popLowest(b), ListType);
    }
    return list;
}

template <int C>
uint32_t* castlingMoves(const Stellung_t& pos, const Zustand_t& state, Bitboard occupancy, uint32_t* list) {
    constexpr int O = C ^ 1;
    const Seite_t& me = pos.sides[C];
    const Seite_t& opp = pos.sides[O];
    const int king = me.kingSquare();
    for (int wing = 0; wing < 2; ++wing) {
        if (!(pos.castling & CastlingRight[C][wing])) continue;
        const int kingTo = CastlingKingTarget[C][wing], rookTo = CastlingRookTarget[C][wing];
        const int rook = wing == 0 ? me.shortRook : me.longRook;
        if (!(me.pieces[Rook] & bit(rook))) continue;
        if ((between(king, kingTo) | bit(king) | bit(kingTo)) & state.by(O).attacked) continue;
        const Bitboard mustBeEmpty =
            (between(king, kingTo) | bit(kingTo) | between(rook, rookTo) | bit(rookTo)) &
            ~(bit(king) | bit(rook));
        if (occupancy & mustBeEmpty) continue;
        // In Chess960 the castling rook may have shielded the king's target along the rank.
        const Bitboard after = (occupancy & ~(bit(king) | bit(rook))) | bit(kingTo) | bit(rookTo);
        if (rookAttacks(kingTo, after) & (opp.pieces[Rook] | opp.pieces[Queen])) continue;
        list = add(list, king, kingTo, ZugRochade);
    }
    return list;
}

template <int C>
uint32_t* evasions(const Stellung_t& pos, const Zustand_t& state, uint32_t* list) {
    constexpr int O = C ^ 1;
    const Seite_t& me = pos.sides[C];
    const Seite_t& opp = pos.sides[O];
    const Bitboard occupancy = state.occupancy;
    const int king = me.kingSquare();
    const Bitboard checkers = attackersOf(pos, king, O, occupancy);

    // A slider's check runs on through the king: stepping back along it is no escape.
    Bitboard forbidden = state.by(O).attacked;
    const Bitboard sliders = opp.pieces[Bishop] | opp.pieces[Rook] | opp.pieces[Queen];
    for (Bitboard b = checkers & sliders; b;) {
        const int s = popLowest(b);
        forbidden |= lineThrough(s, king) & ~bit(s);
    }
    for (Bitboard b = kingAttacks(king) & ~me.pieces[AllPieces] & ~forbidden; b;)
        list = add(list, king, popLowest(b), ZugKoenig);
    if (moreThanOne(checkers)) return list;

    const int checker = lowestSquare(checkers);
    const Bitboard blocks = between(checker, king);
    const Bitboard targets = checkers | blocks;
    const Bitboard pinned = state.by(O).pinned;
    if (pos.epSquare && checker == (C == White ? pos.epSquare + 8 : pos.epSquare - 8))
        list = enPassant<C>(pos, me.pieces[Pawn], list);
    list = pawnMoves<C>(me.pieces[Pawn] & ~pinned, checkers, blocks, ~occupancy, list);
    list = pieceMoves<Knight>(me, targets, occupancy, pinned, list);
    list = pieceMoves<Bishop>(me, targets, occupancy, pinned, list);
    list = pieceMoves<Bishop, Queen>(me, targets, occupancy, pinned, list);
    list = pieceMoves<Rook>(me, targets, occupancy, pinned, list);
    list = pieceMoves<Rook, Queen>(me, targets, occupancy, pinned, list);
    return list;
}

template <int C>
uint32_t* generateFor(const Stellung_t& pos, const Zustand_t& state, uint32_t* list) {
    constexpr int O = C ^ 1;
    const Seite_t& me = pos.sides[C];
    const int king = me.kingSquare();
    if (state.by(O).attacked & bit(king)) return evasions<C>(pos, state, list);

    const Bitboard occupancy = state.occupancy;
    const Bitboard notOwn = ~me.pieces[AllPieces];
    list = pawnMoves<C>(me.pieces[Pawn], pos.sides[O].pieces[AllPieces], ~occupancy, ~occupancy, list);
    if (pos.epSquare) list = enPassant<C>(pos, me.pieces[Pawn], list);
    list = pieceMoves<Knight>(me, notOwn, occupancy, 0, list);
    list = pieceMoves<Bishop>(me, notOwn, occupancy, 0, list);
    list = pieceMoves<Rook>(me, notOwn, occupancy, 0, list);
    list = pieceMoves<Queen>(me, notOwn, occupancy, 0, list);
    for (Bitboard b = kingAttacks(king) & notOwn & ~state.by(O).attacked; b;)
        list = add(list, king, popLowest(b), ZugKoenig);
    if (pos.castling & SideCastlingRights[C]) list = castlingMoves<C>(pos, state, occupancy, list);
    return list;
}

template <int C>
uint32_t* tacticalFor(const Stellung_t& pos, const Zustand_t& state, Bitboard targets, int mode,
                      uint32_t* list) {
    constexpr int O = C ^ 1;
    using G = PawnGeometry<C>;
    const Seite_t& me = pos.sides[C];
    const Seite_t& opp = pos.sides[O];
    if (state.by(O).attacked & bit(me.kingSquare())) return evasions<C>(pos, state, list);

    const Bitboard occupancy = state.occupancy;
    const Bitboard empty = ~occupancy;
    const int enemyKing = opp.kingSquare();
    targets &= opp.pieces[AllPieces] & ~opp.pieces[King];
    const Bitboard safe = (state.by(C).attackedTwice | ~state.by(O).attacked) & ~me.pieces[AllPieces] &
                          ~state.by(O).pawnAttacks;

    Bitboard checkSquares[7] = {};
    checkSquares[Pawn] = pawnCaptures(O, enemyKing);
    checkSquares[Knight] = knightAttacks(enemyKing);
    checkSquares[Bishop] = bishopAttacks(enemyKing, occupancy);
    checkSquares[Rook] = rookAttacks(enemyKing, occupancy);
    checkSquares[Queen] = checkSquares[Bishop] | checkSquares[Rook];

    // Own pieces that alone stand between an own slider and the enemy king.
    const Bitboard discoverers =
        loneBlockers(enemyKing, me.pieces[Rook] | me.pieces[Queen], me.pieces[Bishop] | me.pieces[Queen],
                     occupancy, me.pieces[AllPieces]);

    // 1. Pawn captures of targets and checking captures, queen promotions only.
    const Bitboard pawns = me.pieces[Pawn];
    const Bitboard pawnPrey = targets | (opp.pieces[AllPieces] & ~opp.pieces[King] & checkSquares[Pawn]);
    list = pawnCapturesOnto<C>(pawnAttacksTowardA<C>(pawns) & pawnPrey, G::TowardA, false, list);
    list = pawnCapturesOnto<C>(pawnAttacksTowardH<C>(pawns) & pawnPrey, G::TowardH, false, list);
    const Bitboard single = G::push(pawns) & empty;
    for (Bitboard b = single & G::LastRank; b;) {
        const int to = popLowest(b);
        list = add(list, to + G::Push, to, ZugUmwDame);
    }
    if (pos.epSquare && (targets & bit(C == White ? pos.epSquare + 8 : pos.epSquare - 8)))
        list = enPassant<C>(pos, pawns, list);

    // 2. Quiet pawn checks; pushes of discovering pawns off the line follow in step 5.
    Bitboard pawnChecks = 0;
    if (mode >= 1) {
        pawnChecks = single & safe & checkSquares[Pawn] & ~G::LastRank;
        if (mode >= 2) pawnChecks |= G::push(single & G::ThirdRank) & empty & safe & checkSquares[Pawn];
        for (Bitboard b = pawnChecks; b;) {
            const int to = popLowest(b);
            const int from = (bit(to + G::Push) & pawns) ? to + G::Push : to + 2 * G::Push;
            list = add(list, from, to, ZugBauer);
        }
    }

    // 3. Pieces: captures of targets, checking captures, quiet checks in modes 1 and 2.
    auto destinations = [&](int type) {
        Bitboard d = targets | (opp.pieces[AllPieces] & ~opp.pieces[King] & checkSquares[type]);
        if (mode >= 1) d |= safe & empty & checkSquares[type];
        return d;
    };
    list = pieceMoves<Knight>(me, destinations(Knight), occupancy, discoverers, list);
    list = pieceMoves<Bishop>(me, destinations(Bishop), occupancy, discoverers, list);
    list = pieceMoves<Rook>(me, destinations(Rook), occupancy, discoverers, list);
    list = pieceMoves<Queen>(me, destinations(Queen), occupancy, discoverers, list);

    // 4. King captures of targets on undefended squares.
    const int king = me.kingSquare();
    if (!(discoverers & bit(king)))
        for (Bitboard b = kingAttacks(king) & targets & ~state.by(O).attacked; b;)
            list = add(list, king, popLowest(b), ZugKoenig);

    // 5. Discovered checks: the shielding piece's moves off the line (modes 1 and 2)
    // and its captures of targets (every mode).
    for (Bitboard d = discoverers; d;) {
        const int from = popLowest(d);
        const Bitboard offLine = ~lineThrough(enemyKing, from);
        if (me.pieces[Pawn] & bit(from)) {
            if (mode >= 1) {
                const Bitboard push = G::push(bit(from)) & empty & ~G::LastRank & offLine & ~pawnChecks;
                if (push) list = add(list, from, lowestSquare(push), ZugBauer);
            }
            continue;  // its captures were listed in step 1
        }
        int type = Knight;
        while (!(me.pieces[type] & bit(from))) ++type;
        Bitboard moves;
        if (type == King) {
            moves = kingAttacks(from) & ~me.pieces[AllPieces] & ~state.by(O).attacked &
                    (targets | (mode >= 1 ? offLine : 0));
        } else {
            const Bitboard reach = type == Knight   ? knightAttacks(from)
                                   : type == Bishop ? bishopAttacks(from, occupancy)
                                   : type == Rook   ? rookAttacks(from, occupancy)
                                                    : queenAttacks(from, occupancy);
            moves = reach & (destinations(type) | (mode >= 1 ? offLine & ~me.pieces[AllPieces] : 0));
            moves &= ~opp.pieces[King];
        }
        for (; moves;) list = add(list, from, popLowest(moves), type);
    }
    return list;
}

}  // namespace

Bitboard attackersOf(const Stellung_t& pos, int square, int byColor, Bitboard occupancy) {
    const Seite_t& s = pos.sides[byColor];
    return (pawnCaptures(byColor ^ 1, square) & s.pieces[Pawn]) | (knightAttacks(square) & s.pieces[Knight]) |
           (bishopAttacks(square, occupancy) & (s.pieces[Bishop] | s.pieces[Queen])) |
           (rookAttacks(square, occupancy) & (s.pieces[Rook] | s.pieces[Queen])) |
           (kingAttacks(square) & s.pieces[King]);
}

uint32_t* generate(const Stellung_t& pos, const Zustand_t& state, uint32_t* list) {
    return pos.side == White ? generateFor<White>(pos, state, list) : generateFor<Black>(pos, state, list);
}

uint32_t* generateTactical(const Stellung_t& pos, const Zustand_t& state, Bitboard targets, int mode,
                           uint32_t* list) {
    return pos.side == White ? tacticalFor<White>(pos, state, targets, mode, list)
                             : tacticalFor<Black>(pos, state, targets, mode, list);
}

bool leavesKingSafe(const Stellung_t& pos, const Zustand_t& state, Zug_t move) {
    const int kind = moveKind(move);
    if (kind == ZugKoenig || kind == ZugRochade) return true;  // generated only onto safe squares
    const int from = moveFrom(move), to = moveTo(move);
    const int king = pos.sides[pos.side].kingSquare();
    if (kind == ZugEnPassant) {
        // Two pawns leave the king's lines at once: trace the sliders again.
        const int victim = pos.side == White ? to + 8 : to - 8;
        const Bitboard after = (state.occupancy ^ bit(from) ^ bit(victim)) | bit(to);
        return !(attackersOf(pos, king, pos.side ^ 1, after) & ~bit(victim));
    }
    if (!(state.by(pos.side ^ 1).pinned & bit(from))) return true;
    return (lineThrough(king, from) & bit(to)) != 0;
}

bool contains(const Stellung_t& pos, Zug_t move, const Zustand_t& state) {
    if (move == 0) return false;
    Zugliste_t moves;
    uint32_t* end = generate(pos, state, moves.begin());
    for (uint32_t* m = moves.begin(); m != end; ++m)
        if (moveOf(*m) == move) return true;
    return false;
}

bool isLegal(const Stellung_t& pos, Zug_t move, const Zustand_t& state) {
    return contains(pos, move, state) && leavesKingSafe(pos, state, move);
}

}  // namespace tolvaren
