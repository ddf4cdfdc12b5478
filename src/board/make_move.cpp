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

int indexOf(const uint8_t* list, int count, int square) {
    for (int i = 0; i < count; ++i)
        if (list[i] == square) return i;
    assert(false && "square missing from its list");
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

// The keys of the state record, kept up to date while a move is made.
struct Keys {
    uint64_t hash;
    uint64_t pawn;
    uint64_t material;
};

// Every move is made of three primitives that keep a side's bitboards, counts and
// square list and the three keys in step, and return what their reverse needs; take
// back runs the reverses in the opposite order. The keys need no reverse: the caller
// keeps the state record of the position before the move.

// The opposite-bishop term of the material key after a bishop was put or removed.
inline void followOppositeBishops(const Stellung_t& pos, bool before, Keys& k) {
    const bool now = oppositeBishops(pos);
    if (before != now) k.material += now ? OppositeBishopsKey : -OppositeBishopsKey;
}

// Moves a piece; it keeps its list slot, whose index is returned. The squares are
// toggled, so a castling king or rook may stay put or land where the other stood.
template <int C>
inline int movePiece(Stellung_t& pos, int type, int from, int to, Keys& k) {
    Seite_t& s = pos.sides[C];
    uint8_t* list = s.squares(type);
    const int index = type == King ? 0 : indexOf(list, s.count[type], from);
    list[index] = static_cast<uint8_t>(to);
    const Bitboard fromTo = bit(from) ^ bit(to);
    s.pieces[type] ^= fromTo;
    s.pieces[AllPieces] ^= fromTo;
    const uint64_t key = pieceKey(C, type, from) ^ pieceKey(C, type, to);
    k.hash ^= key;
    if (type == Pawn) k.pawn ^= key;
    return index;
}

inline void unmovePiece(Seite_t& s, int type, int index, int from, int to) {
    s.squares(type)[index] = static_cast<uint8_t>(from);
    const Bitboard fromTo = bit(from) ^ bit(to);
    s.pieces[type] ^= fromTo;
    s.pieces[AllPieces] ^= fromTo;
}

// Takes a piece off the board; the list's last entry takes its slot, whose index is returned.
template <int C>
inline int removePiece(Stellung_t& pos, int type, int square, Keys& k) {
    Seite_t& s = pos.sides[C];
    const bool hadOpposite = type == Bishop && oppositeBishops(pos);
    uint8_t* list = s.squares(type);
    const int index = indexOf(list, s.count[type], square);
    list[index] = list[--s.count[type]];
    --s.count[AllPieces];
    s.pieces[type] ^= bit(square);
    s.pieces[AllPieces] ^= bit(square);
    k.hash ^= pieceKey(C, type, square);
    if (type == Pawn) k.pawn ^= pieceKey(C, Pawn, square);
    k.material -= MaterialMultiplier[C][type];
    // Taking one of three bishops can leave exactly one on each side.
    if (type == Bishop) followOppositeBishops(pos, hadOpposite, k);
    return index;
}

inline void unremovePiece(Seite_t& s, int type, int index, int square) {
    uint8_t* list = s.squares(type);
    list[s.count[type]++] = list[index];
    list[index] = static_cast<uint8_t>(square);
    ++s.count[AllPieces];
    s.pieces[type] |= bit(square);
    s.pieces[AllPieces] |= bit(square);
}

// Puts a piece on an empty square at the end of its list. Returns what that slot held
// before, so that take back restores the list byte for byte.
template <int C>
inline uint8_t putPiece(Stellung_t& pos, int type, int square, Keys& k) {
    Seite_t& s = pos.sides[C];
    const bool hadOpposite = type == Bishop && oppositeBishops(pos);
    uint8_t* list = s.squares(type);
    assert(s.count[type] < SquareListSize);
    const uint8_t slotBefore = list[s.count[type]];
    list[s.count[type]++] = static_cast<uint8_t>(square);
    ++s.count[AllPieces];
    s.pieces[type] |= bit(square);
    s.pieces[AllPieces] |= bit(square);
    k.hash ^= pieceKey(C, type, square);
    if (type == Pawn) k.pawn ^= pieceKey(C, Pawn, square);
    k.material += MaterialMultiplier[C][type];
    if (type == Bishop) followOppositeBishops(pos, hadOpposite, k);
    return slotBefore;
}

inline void unputPiece(Seite_t& s, int type, int square, uint8_t slotBefore) {
    s.squares(type)[--s.count[type]] = slotBefore;
    --s.count[AllPieces];
    s.pieces[type] ^= bit(square);
    s.pieces[AllPieces] ^= bit(square);
}

// Pieces of the side not C that C's sliders pin against their king.
template <int C>
inline Bitboard pinsOf(const Stellung_t& pos, Bitboard occupancy) {
    const Seite_t& me = pos.sides[C];
    const Seite_t& opp = pos.sides[C ^ 1];
    return loneBlockers(opp.kingSquare(), me.pieces[Rook] | me.pieces[Queen],
                        me.pieces[Bishop] | me.pieces[Queen], occupancy, opp.pieces[AllPieces]);
}

// The record of side C. Without `Full` only what move generation reads is filled:
// attacked squares, pawn attacks and pinned pieces (perft's lean make).
template <int C, bool Full = true>
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
    const Bitboard diagonalSliders = me.pieces[Bishop] | me.pieces[Queen];
    const Bitboard diagonalXray = occupancy & ~diagonalSliders;
    const Bitboard bishopTargets = me.count[Bishop] == 2 ? minorTargets & ~opp.pieces[Bishop] : minorTargets;
    list = me.squares(Bishop);
    for (int i = 0; i < me.count[Bishop]; ++i) {
        const Bitboard att = bishopAttacks(list[i], occupancy);
        // Nothing lies behind unless the line meets one of our own diagonal sliders.
        if (att & diagonalSliders) xrayOnly |= bishopAttacks(list[i], diagonalXray) & ~att;
        twice |= attacked & att;
        attacked |= att;
        threats |= att & bishopTargets;
    }

    const Bitboard straightSliders = me.pieces[Rook] | me.pieces[Queen];
    const Bitboard straightXray = occupancy & ~straightSliders;
    const Bitboard rookTargets =
        opp.pieces[Queen] | (opp.count[Rook] < me.count[Rook] ? opp.pieces[Rook] : 0);
    list = me.squares(Rook);
    for (int i = 0; i < me.count[Rook]; ++i) {
        const Bitboard att = rookAttacks(list[i], occupancy);
        if (att & straightSliders) xrayOnly |= rookAttacks(list[i], straightXray) & ~att;
        twice |= attacked & att;
        attacked |= att;
        threats |= att & rookTargets;
    }

    list = me.squares(Queen);
    for (int i = 0; i < me.count[Queen]; ++i) {
        const Bitboard diagonal = bishopAttacks(list[i], occupancy);
        const Bitboard straight = rookAttacks(list[i], occupancy);
        const Bitboard att = diagonal | straight;
        if (diagonal & diagonalSliders) xrayOnly |= bishopAttacks(list[i], diagonalXray) & ~att;
        if (straight & straightSliders) xrayOnly |= rookAttacks(list[i], straightXray) & ~att;
        twice |= attacked & att;
        attacked |= att;
    }

    const Bitboard kingAtt = kingAttacks(me.kingSquare());
    twice |= attacked & kingAtt;
    attacked |= kingAtt;
    twice |= xrayOnly & attacked;

    a.attacked = attacked;
    // The lean record leaves these out; what only feeds them is then never computed.
    a.attackedTwice = Full ? twice : 0;
    a.threats = Full ? threats : 0;
    a.pinned = pinsOf<C>(pos, occupancy);
}

}  // namespace

bool threatenedOn(const Stellung_t& pos, int by, int type, int square, Bitboard occupancy) {
    const Seite_t& attacker = pos.sides[by];
    const Seite_t& victim = pos.sides[by ^ 1];
    if (type == Pawn) return false;
    if (pawnCaptures(by ^ 1, square) & attacker.pieces[Pawn]) return true;
    const bool minorTarget = type == Rook || type == Queen || (type == Bishop && victim.count[Bishop] == 2);
    if (!minorTarget) return false;
    if (knightAttacks(square) & attacker.pieces[Knight]) return true;
    const bool bishopTarget = !(type == Bishop && attacker.count[Bishop] == 2);
    if (bishopTarget && (bishopAttacks(square, occupancy) & attacker.pieces[Bishop])) return true;
    const bool rookTarget = type == Queen || (type == Rook && victim.count[Rook] < attacker.count[Rook]);
    return rookTarget && (rookAttacks(square, occupancy) & attacker.pieces[Rook]);
}

namespace {

// After a quiet move of a piece other than the king that none of the opponent's sliders
// sees, on either square, the opponent's attack sets are those it had: every square its
// sliders' lines reach, x-rays included, is one that one of its sliders attacks. If the
// opponent attacks neither square at all, its threats stay too; otherwise the threat on
// the moved piece is redone. Its pins may change either way (a piece stepping between a
// pinned piece and the king, or leaving from there), so those are recomputed. False if
// the record must be computed afresh.
template <int C>
bool keepOpponentRecord(const Stellung_t& pos, Zug_t move, const Rueckzug_t& u, const Zustand_t& old,
                        Zustand_t& ns) {
    constexpr int O = C ^ 1;
    const int kind = moveKind(move);
    if (kind >= ZugKoenig || u.capturedType) return false;
    const int from = moveFrom(move), to = moveTo(move);
    const Angriffe_t& before = old.by(O);
    const bool seen = ((bit(from) | bit(to)) & before.attacked) != 0;
    if (seen) {
        const Seite_t& opp = pos.sides[O];
        const Bitboard occupancy = old.occupancy;
        if ((bishopAttacks(from, occupancy) | bishopAttacks(to, occupancy)) &
            (opp.pieces[Bishop] | opp.pieces[Queen]))
            return false;
        if ((rookAttacks(from, occupancy) | rookAttacks(to, occupancy)) &
            (opp.pieces[Rook] | opp.pieces[Queen]))
            return false;
    }
    Angriffe_t& a = ns.by(O);
    a = before;
    if (seen) {
        a.threats &= ~bit(from);
        if (threatenedOn(pos, O, kind, to, ns.occupancy)) a.threats |= bit(to);
    }
    a.pinned = pinsOf<O>(pos, ns.occupancy);
    return true;
}

// The pieces' part of a move; returns the castling rights after it.
template <int C>
int movePieces(Stellung_t& pos, Zug_t move, Keys& k, Rueckzug_t& u) {
    constexpr int O = C ^ 1;
    const int from = moveFrom(move), to = moveTo(move), kind = moveKind(move);
    int rights = pos.castling;
    if (kind < ZugRochade) {
        if (pos.sides[O].pieces[AllPieces] & bit(to)) {
            const int captured = typeOn(pos.sides[O], bit(to));
            assert(captured != 0 && captured != King);
            u.capturedType = static_cast<uint8_t>(captured);
            u.capturedIndex = static_cast<uint8_t>(removePiece<O>(pos, captured, to, k));
            if (rights) rights &= ~rightsOfRookSquare(pos, to);
        }
        if (kind >= ZugUmwSpringer) {
            u.movedIndex = static_cast<uint8_t>(removePiece<C>(pos, Pawn, from, k));
            u.promotedSlotOld = putPiece<C>(pos, promotionType(move), to, k);
        } else {
            u.movedIndex = static_cast<uint8_t>(movePiece<C>(pos, kind, from, to, k));
            if (kind == ZugBauer) {
                // A double push offers e.p. only when an enemy pawn stands beside it.
                if ((from - to == 16 || to - from == 16) &&
                    (pos.sides[O].pieces[Pawn] & (((bit(to) << 1) & ~FileA) | ((bit(to) >> 1) & ~FileH)))) {
                    pos.epSquare = static_cast<uint8_t>((from + to) / 2);
                    k.hash ^= epKey(pos.epSquare);
                }
            } else if (rights) {
                if (kind == ZugKoenig) rights &= ~SideCastlingRights[C];
                if (kind == ZugTurm) rights &= ~rightsOfRookSquare(pos, from);
            }
        }
    } else if (kind == ZugRochade) {
        const int wing = to == CastlingKingTarget[C][0] ? 0 : 1;
        const int rookFrom = wing == 0 ? pos.sides[C].shortRook : pos.sides[C].longRook;
        movePiece<C>(pos, King, from, to, k);
        u.rookIndex = static_cast<uint8_t>(movePiece<C>(pos, Rook, rookFrom, CastlingRookTarget[C][wing], k));
        rights &= ~SideCastlingRights[C];
    } else {
        assert(kind == ZugEnPassant);
        u.capturedType = Pawn;
        u.capturedIndex = static_cast<uint8_t>(removePiece<O>(pos, Pawn, C == White ? to + 8 : to - 8, k));
        u.movedIndex = static_cast<uint8_t>(movePiece<C>(pos, Pawn, from, to, k));
    }
    return rights;
}

// The reverse of movePieces, the primitives' reverses in the opposite order.
template <int C>
void unmovePieces(Stellung_t& pos, const Rueckzug_t& u) {
    Seite_t& me = pos.sides[C];
    Seite_t& opp = pos.sides[C ^ 1];
    const int from = moveFrom(u.move), to = moveTo(u.move), kind = moveKind(u.move);
    if (kind < ZugRochade) {
        if (kind >= ZugUmwSpringer) {
            unputPiece(me, promotionType(u.move), to, u.promotedSlotOld);
            unremovePiece(me, Pawn, u.movedIndex, from);
        } else {
            unmovePiece(me, kind, u.movedIndex, from, to);
        }
        if (u.capturedType) unremovePiece(opp, u.capturedType, u.capturedIndex, to);
    } else if (kind == ZugRochade) {
        const int wing = to == CastlingKingTarget[C][0] ? 0 : 1;
        const int rookFrom = wing == 0 ? me.shortRook : me.longRook;
        unmovePiece(me, Rook, u.rookIndex, rookFrom, CastlingRookTarget[C][wing]);
        unmovePiece(me, King, 0, from, to);
    } else {
        unmovePiece(me, Pawn, u.movedIndex, from, to);
        unremovePiece(opp, Pawn, u.capturedIndex, C == White ? to + 8 : to - 8);
    }
}

template <int C, bool Full = true>
bool play(Stellung_t& pos, Zug_t move, const Zustand_t& old, Zustand_t& ns, Rueckzug_t& u) {
    constexpr int O = C ^ 1;
    assert(pos.side == C && moveKind(move) != ZugKeiner);
    u.pos = &pos;
    u.move = move;
    u.epSquare = pos.epSquare;
    u.castling = pos.castling;
    u.capturedType = 0;

    Keys k{old.hashKey ^ SideToMoveKey, old.pawnKey, old.materialKey};
    if (pos.epSquare) {
        k.hash ^= epKey(pos.epSquare);
        pos.epSquare = 0;
    }
    pos.side = O;
    const int rights = movePieces<C>(pos, move, k, u);
    if (rights != pos.castling) {
        k.hash ^= castlingKey(pos.castling) ^ castlingKey(rights);
        pos.castling = static_cast<uint8_t>(rights);
    }

    ns.occupancy = pos.sides[C].pieces[AllPieces] | pos.sides[O].pieces[AllPieces];
    bool leftInCheck;
    if constexpr (Full) {
        // The opponent's new record is needed anyway: its attacked squares answer the
        // legality question, and nearly every move passes it.
        if (!keepOpponentRecord<C>(pos, move, u, old, ns)) computeRecord<O>(pos, ns.occupancy, ns.by(O));
        leftInCheck = (ns.by(O).attacked & pos.sides[C].pieces[King]) != 0;
    } else {
        leftInCheck = attackersOf(pos, pos.sides[C].kingSquare(), O, ns.occupancy) != 0;
    }
    if (leftInCheck) {
        takeBack(u);
        return false;
    }
    ns.hashKey = k.hash;
    ns.pawnKey = k.pawn;
    ns.materialKey = k.material;
    if constexpr (Full) {
        computeRecord<C>(pos, ns.occupancy, ns.by(C));
        assert(isConsistent(pos, ns));
    } else {
        ns.by(O) = Angriffe_t{};
        computeRecord<C, false>(pos, ns.occupancy, ns.by(C));
        assert(isConsistent(pos));
    }
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

bool playMoveForCounting(Stellung_t& pos, Zug_t move, const Zustand_t& oldState, Zustand_t& newState,
                         Rueckzug_t& undo) {
    return pos.side == White ? play<White, false>(pos, move, oldState, newState, undo)
                             : play<Black, false>(pos, move, oldState, newState, undo);
}

void takeBack(const Rueckzug_t& u) {
    Stellung_t& pos = *u.pos;
    pos.side ^= 1;
    pos.epSquare = u.epSquare;
    pos.castling = u.castling;
    if (pos.side == White)
        unmovePieces<White>(pos, u);
    else
        unmovePieces<Black>(pos, u);
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
