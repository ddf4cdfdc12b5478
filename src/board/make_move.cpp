#include "board/make_move.h"

#include <cassert>
#include <cstring>

#include "board/attack_tables.h"
#include "board/consistency.h"
#include "board/hash_keys.h"
#include "board/movegen.h"
#include "board/position.h"

namespace tolvaren {

namespace {

enum UndoKind : uint8_t { UndoQuiet, UndoCapture, UndoPromotion, UndoCastling, UndoEnPassant };

int indexOf(const uint8_t* list, int count, int square) {
    for (int i = 0; i < count; ++i)
        if (list[i] == square) return i;
    assert(false && "square missing from its list");
    return 0;
}

int typeOn(const Seite_t& side, Bitboard b) {
    for (int t = Pawn; t <= King; ++t)
        if (side.pieces[t] & b) return t;
    return 0;
}

// Rights tied to a castling rook square: a rook leaving it or a piece captured on it
// ends that castling for good.
int rightsOfRookSquare(const Stellung_t& pos, int square) {
    int r = 0;
    if (square == pos.sides[White].shortRook) r |= WhiteShort;
    if (square == pos.sides[White].longRook) r |= WhiteLong;
    if (square == pos.sides[Black].shortRook) r |= BlackShort;
    if (square == pos.sides[Black].longRook) r |= BlackLong;
    return r;
}

// Removes the opponent's piece from `square`; the list's last entry takes its place.
void removeCaptured(Seite_t& side, int type, int square, Rueckzug_t& u) {
    uint8_t* list = side.squares(type);
    const int last = side.count[type] - 1;
    const int index = indexOf(list, side.count[type], square);
    u.capturedType = static_cast<uint8_t>(type);
    u.capturedIndex = static_cast<uint8_t>(index);
    u.capturedSquare = static_cast<uint8_t>(square);
    u.capturedPieces = side.pieces[type];
    list[index] = list[last];
    --side.count[type];
    --side.count[AllPieces];
    side.pieces[type] ^= bit(square);
    side.pieces[AllPieces] ^= bit(square);
}

void restoreCaptured(Seite_t& side, const Rueckzug_t& u) {
    const int type = u.capturedType;
    uint8_t* list = side.squares(type);
    ++side.count[type];
    ++side.count[AllPieces];
    const int last = side.count[type] - 1;
    list[last] = list[u.capturedIndex];
    list[u.capturedIndex] = u.capturedSquare;
    side.pieces[type] = u.capturedPieces;
    side.pieces[AllPieces] |= bit(u.capturedSquare);
}

template <int C>
void computeRecord(const Stellung_t& pos, Bitboard occupancy, Angriffe_t& a) {
    constexpr int O = C ^ 1;
    const Seite_t& me = pos.sides[C];
    const Seite_t& opp = pos.sides[O];

    const Bitboard towardA = pawnAttacksTowardA<C>(me.pieces[Pawn]);
    const Bitboard towardH = pawnAttacksTowardH<C>(me.pieces[Pawn]);
    Bitboard attacked = towardA | towardH;
    Bitboard twice = towardA & towardH;
    a.pawnAttacks = attacked;
    Bitboard threats = attacked & (opp.pieces[AllPieces] & ~opp.pieces[Pawn]);

    const Bitboard minorTargets =
        opp.pieces[Rook] | opp.pieces[Queen] | (opp.count[Bishop] == 2 ? opp.pieces[Bishop] : 0);
    const uint8_t* list = me.squares(Knight);
    for (int i = 0; i < me.count[Knight]; ++i) {
        const Bitboard att = knightAttacks(list[i]);
        twice |= attacked & att;
        attacked |= att;
        threats |= att & minorTargets;
    }

    // A slider's x-ray squares (behind sliders of its own side on the same line) count
    // twice once every piece is in: the piece in front, or another, attacks them too.
    // Collecting them first keeps the result free of the square lists' order.
    Bitboard xrayOnly = 0;
    const Bitboard diagonalXray = occupancy & ~(me.pieces[Bishop] | me.pieces[Queen]);
    const Bitboard bishopTargets = me.count[Bishop] == 2 ? minorTargets & ~opp.pieces[Bishop] : minorTargets;
    list = me.squares(Bishop);
    for (int i = 0; i < me.count[Bishop]; ++i) {
        const Bitboard att = bishopAttacks(list[i], occupancy);
        xrayOnly |= bishopAttacks(list[i], diagonalXray) & ~att;
        twice |= attacked & att;
        attacked |= att;
        threats |= att & bishopTargets;
    }

    const Bitboard straightXray = occupancy & ~(me.pieces[Rook] | me.pieces[Queen]);
    const Bitboard rookTargets =
        opp.pieces[Queen] | (opp.count[Rook] < me.count[Rook] ? opp.pieces[Rook] : 0);
    list = me.squares(Rook);
    for (int i = 0; i < me.count[Rook]; ++i) {
        const Bitboard att = rookAttacks(list[i], occupancy);
        xrayOnly |= rookAttacks(list[i], straightXray) & ~att;
        twice |= attacked & att;
        attacked |= att;
        threats |= att & rookTargets;
    }

    list = me.squares(Queen);
    for (int i = 0; i < me.count[Queen]; ++i) {
        const Bitboard att = queenAttacks(list[i], occupancy);
        xrayOnly |= (bishopAttacks(list[i], diagonalXray) | rookAttacks(list[i], straightXray)) & ~att;
        twice |= attacked & att;
        attacked |= att;
    }

    const Bitboard kingAtt = kingAttacks(me.kingSquare());
    twice |= attacked & kingAtt;
    attacked |= kingAtt;
    twice |= xrayOnly & attacked;

    a.attacked = attacked;
    a.attackedTwice = twice;
    a.threats = threats;
    a.pinned = loneBlockers(opp.kingSquare(), me.pieces[Rook] | me.pieces[Queen],
                            me.pieces[Bishop] | me.pieces[Queen], occupancy, opp.pieces[AllPieces]);
}

template <int C>
bool play(Stellung_t& pos, Zug_t move, const Zustand_t& old, Zustand_t& ns, Rueckzug_t& u) {
    constexpr int O = C ^ 1;
    Seite_t& me = pos.sides[C];
    Seite_t& opp = pos.sides[O];
    const int from = moveFrom(move), to = moveTo(move), kind = moveKind(move);
    assert(pos.side == C && kind != ZugKeiner);

    u.pos = &pos;
    u.move = move;
    u.epSquare = pos.epSquare;
    u.castling = pos.castling;
    u.capturedType = 0;
    u.fromTo = bit(from) | bit(to);

    uint64_t hash = old.hashKey ^ SideToMoveKey;
    uint64_t pawnKey = old.pawnKey;
    uint64_t material = old.materialKey;
    if (pos.epSquare) {
        hash ^= epKey(pos.epSquare);
        pos.epSquare = 0;
    }
    pos.side = O;
    int rights = pos.castling;

    if (kind <= ZugKoenig) {
        const int type = kind;
        u.undoKind = UndoQuiet;
        if (opp.pieces[AllPieces] & bit(to)) {
            const int captured = typeOn(opp, bit(to));
            assert(captured != 0 && captured != King);
            const bool hadOpposite = captured == Bishop && oppositeBishops(pos);
            removeCaptured(opp, captured, to, u);
            hash ^= pieceKey(O, captured, to);
            if (captured == Pawn) pawnKey ^= pieceKey(O, Pawn, to);
            material -= MaterialMultiplier[O][captured];
            if (captured == Bishop) {
                // Taking one of three bishops can leave exactly one on each side.
                const bool nowOpposite = oppositeBishops(pos);
                if (hadOpposite != nowOpposite)
                    material += nowOpposite ? OppositeBishopsKey : -OppositeBishopsKey;
            }
            if (rights) rights &= ~rightsOfRookSquare(pos, to);
            u.undoKind = UndoCapture;
        }
        uint8_t* list = me.squares(type);
        const int index = indexOf(list, me.count[type], from);
        u.movedIndex = static_cast<uint8_t>(index);
        list[index] = static_cast<uint8_t>(to);
        me.pieces[type] ^= u.fromTo;
        me.pieces[AllPieces] ^= u.fromTo;
        const uint64_t moveKey = pieceKey(C, type, from) ^ pieceKey(C, type, to);
        hash ^= moveKey;
        if (type == Pawn) {
            pawnKey ^= moveKey;
            // A double push offers e.p. only when an enemy pawn stands beside it.
            if ((from - to == 16 || to - from == 16) &&
                (opp.pieces[Pawn] & (((bit(to) << 1) & ~FileA) | ((bit(to) >> 1) & ~FileH)))) {
                pos.epSquare = static_cast<uint8_t>((from + to) / 2);
                hash ^= epKey(pos.epSquare);
            }
        } else if (rights) {
            if (type == King) rights &= ~SideCastlingRights[C];
            if (type == Rook) rights &= ~rightsOfRookSquare(pos, from);
        }
    } else if (kind <= ZugUmwDame) {
        const int newType = promotionType(move);
        u.undoKind = UndoPromotion;
        const bool hadOpposite = oppositeBishops(pos);
        if (opp.pieces[AllPieces] & bit(to)) {
            const int captured = typeOn(opp, bit(to));
            assert(captured != 0 && captured != King);
            removeCaptured(opp, captured, to, u);
            hash ^= pieceKey(O, captured, to);
            material -= MaterialMultiplier[O][captured];
            if (rights) rights &= ~rightsOfRookSquare(pos, to);
        }
        uint8_t* pawns = me.squares(Pawn);
        const int last = me.count[Pawn] - 1;
        const int index = indexOf(pawns, me.count[Pawn], from);
        u.movedIndex = static_cast<uint8_t>(index);
        pawns[index] = pawns[last];
        --me.count[Pawn];
        me.pieces[Pawn] ^= bit(from);
        uint8_t* list = me.squares(newType);
        assert(me.count[newType] < SquareListSize);
        u.promotedIndex = static_cast<uint8_t>(me.count[newType]);
        u.promotedSlotOld = list[me.count[newType]];
        list[me.count[newType]++] = static_cast<uint8_t>(to);
        me.pieces[newType] |= bit(to);
        me.pieces[AllPieces] ^= u.fromTo;
        hash ^= pieceKey(C, Pawn, from) ^ pieceKey(C, newType, to);
        pawnKey ^= pieceKey(C, Pawn, from);
        material += MaterialMultiplier[C][newType] - MaterialMultiplier[C][Pawn];
        if (u.capturedType == Bishop || newType == Bishop) {
            const bool nowOpposite = oppositeBishops(pos);
            if (hadOpposite != nowOpposite)
                material += nowOpposite ? OppositeBishopsKey : -OppositeBishopsKey;
        }
    } else if (kind == ZugRochade) {
        u.undoKind = UndoCastling;
        const int wing = to == CastlingKingTarget[C][0] ? 0 : 1;
        const int rookFrom = wing == 0 ? me.shortRook : me.longRook;
        const int rookTo = CastlingRookTarget[C][wing];
        uint8_t* rooks = me.squares(Rook);
        const int rookIndex = indexOf(rooks, me.count[Rook], rookFrom);
        u.rookIndex = static_cast<uint8_t>(rookIndex);
        u.capturedSquare = static_cast<uint8_t>(rookFrom);
        // Lift both, then place both: in Chess960 king and rook may swap or cross.
        me.squares(King)[0] = static_cast<uint8_t>(to);
        rooks[rookIndex] = static_cast<uint8_t>(rookTo);
        me.pieces[King] = (me.pieces[King] & ~bit(from)) | bit(to);
        me.pieces[Rook] = (me.pieces[Rook] & ~bit(rookFrom)) | bit(rookTo);
        me.pieces[AllPieces] = (me.pieces[AllPieces] & ~(bit(from) | bit(rookFrom))) | bit(to) | bit(rookTo);
        hash ^= pieceKey(C, King, from) ^ pieceKey(C, King, to) ^ pieceKey(C, Rook, rookFrom) ^
                pieceKey(C, Rook, rookTo);
        rights &= ~SideCastlingRights[C];
    } else {
        assert(kind == ZugEnPassant);
        u.undoKind = UndoEnPassant;
        const int victim = C == White ? to + 8 : to - 8;
        removeCaptured(opp, Pawn, victim, u);
        hash ^= pieceKey(O, Pawn, victim);
        pawnKey ^= pieceKey(O, Pawn, victim);
        material -= MaterialMultiplier[O][Pawn];
        uint8_t* list = me.squares(Pawn);
        const int index = indexOf(list, me.count[Pawn], from);
        u.movedIndex = static_cast<uint8_t>(index);
        list[index] = static_cast<uint8_t>(to);
        me.pieces[Pawn] ^= u.fromTo;
        me.pieces[AllPieces] ^= u.fromTo;
        const uint64_t moveKey = pieceKey(C, Pawn, from) ^ pieceKey(C, Pawn, to);
        hash ^= moveKey;
        pawnKey ^= moveKey;
    }

    if (rights != pos.castling) {
        hash ^= castlingKey(pos.castling) ^ castlingKey(rights);
        pos.castling = static_cast<uint8_t>(rights);
    }

    ns.occupancy = me.pieces[AllPieces] | opp.pieces[AllPieces];
    if (attackersOf(pos, me.kingSquare(), O, ns.occupancy)) {
        takeBack(u);
        return false;
    }
    ns.hashKey = hash;
    ns.pawnKey = pawnKey;
    ns.materialKey = material;
    computeRecord<O>(pos, ns.occupancy, ns.by(O));
    computeRecord<C>(pos, ns.occupancy, ns.by(C));
    assert(isConsistent(pos, ns));
    return true;
}

}  // namespace

void computeAttacks(const Stellung_t& pos, Zustand_t& state) {
    state.occupancy = pos.sides[White].pieces[AllPieces] | pos.sides[Black].pieces[AllPieces];
    computeRecord<Black>(pos, state.occupancy, state.by(Black));
    computeRecord<White>(pos, state.occupancy, state.by(White));
}

bool playMove(Stellung_t& pos, Zug_t move, const Zustand_t& oldState, Zustand_t& newState, Rueckzug_t& undo) {
    return pos.side == White ? play<White>(pos, move, oldState, newState, undo)
                             : play<Black>(pos, move, oldState, newState, undo);
}

void takeBack(const Rueckzug_t& u) {
    Stellung_t& pos = *u.pos;
    pos.side ^= 1;
    pos.epSquare = u.epSquare;
    pos.castling = u.castling;
    Seite_t& me = pos.sides[pos.side];
    Seite_t& opp = pos.sides[pos.side ^ 1];
    const int from = moveFrom(u.move), to = moveTo(u.move);

    switch (u.undoKind) {
        case UndoQuiet:
        case UndoCapture:
        case UndoEnPassant: {
            const int type = u.undoKind == UndoEnPassant ? Pawn : moveKind(u.move);
            me.squares(type)[u.movedIndex] = static_cast<uint8_t>(from);
            me.pieces[type] ^= u.fromTo;
            me.pieces[AllPieces] ^= u.fromTo;
            if (u.capturedType) restoreCaptured(opp, u);
            break;
        }
        case UndoPromotion: {
            const int newType = promotionType(u.move);
            uint8_t* list = me.squares(newType);
            --me.count[newType];
            list[u.promotedIndex] = u.promotedSlotOld;
            me.pieces[newType] &= ~bit(to);
            uint8_t* pawns = me.squares(Pawn);
            ++me.count[Pawn];
            pawns[me.count[Pawn] - 1] = pawns[u.movedIndex];
            pawns[u.movedIndex] = static_cast<uint8_t>(from);
            me.pieces[Pawn] |= bit(from);
            me.pieces[AllPieces] ^= u.fromTo;
            if (u.capturedType) restoreCaptured(opp, u);
            break;
        }
        case UndoCastling: {
            const int rookFrom = u.capturedSquare;
            const int rookTo = me.squares(Rook)[u.rookIndex];
            me.squares(King)[0] = static_cast<uint8_t>(from);
            me.squares(Rook)[u.rookIndex] = static_cast<uint8_t>(rookFrom);
            me.pieces[King] = (me.pieces[King] & ~bit(to)) | bit(from);
            me.pieces[Rook] = (me.pieces[Rook] & ~bit(rookTo)) | bit(rookFrom);
            me.pieces[AllPieces] =
                (me.pieces[AllPieces] & ~(bit(to) | bit(rookTo))) | bit(from) | bit(rookFrom);
            break;
        }
    }
    assert(isConsistent(pos));
}

bool playPermanent(Stellung_t& pos, Zug_t move, const Zustand_t& oldState, Zustand_t& newState) {
    Rueckzug_t undo;
    if (!playMove(pos, move, oldState, newState, undo)) return false;
    const int kind = moveKind(move);
    // Pawn moves and captures cannot be repeated past: the history starts again.
    if (kind == ZugBauer || kind == ZugEnPassant || isPromotion(move) || undo.capturedType) {
        pos.historyLength = 1;
        pos.history[0] = newState.hashKey;
    } else if (pos.historyLength < MaxHistory) {
        pos.history[pos.historyLength++] = newState.hashKey;
    }
    return true;
}

void playNullMove(Stellung_t& pos, const Zustand_t& oldState, Zustand_t& newState) {
    std::memcpy(&newState, &oldState, sizeof(Zustand_t));
    newState.hashKey ^= SideToMoveKey;
    pos.side ^= 1;
    if (pos.epSquare) {
        newState.hashKey ^= epKey(pos.epSquare);
        pos.epSquare = 0;
    }
}

}  // namespace tolvaren
