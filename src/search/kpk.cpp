#include "search/kpk.h"

#include <cassert>
#include <memory>

#include "board/attack_tables.h"
#include "board/bitboard.h"

namespace tolvaren {

KPKTabelle_t kpkTable;

namespace {

using T = KPKTabelle_t;

constexpr Bitboard shiftEast(Bitboard b) { return (b & ~FileH) << 1; }
constexpr Bitboard shiftWest(Bitboard b) { return (b & ~FileA) >> 1; }

// Every square next to some square of b.
constexpr Bitboard neighbours(Bitboard b) {
    const Bitboard row = b | shiftEast(b) | shiftWest(b);
    return shiftEast(b) | shiftWest(b) | (row << 8) | (row >> 8);
}

// Pawn index 0..23 in increasing square order: rank 7 (a7..d7) first, rank 2 last.
constexpr int pawnSquareOf(int index) { return 8 + 8 * (index / 4) + index % 4; }

// Working sets over the weak king's square, one per pawn index and strong king square.
// Solving 64 weak-king placements at once with bit operations is what keeps the
// construction to a few milliseconds.
struct Work {
    Bitboard strongOpen[T::PawnSquares][64];     // strong to move, not yet decided
    Bitboard weakOpen[T::PawnSquares][64];       // weak to move, not yet decided
    Bitboard strongSettled[T::PawnSquares][64];  // strong to move, won or illegal
    Bitboard weakNew[T::PawnSquares][64];        // weak to move, won at the last level
};

// Fixed verdicts, the first safe promotions and the open positions (provisionally drawn).
void classify(Work& work) {
    for (int index = 0; index < T::PawnSquares; ++index) {
        const int pawn = pawnSquareOf(index);
        const int front = pawn - 8;
        const bool onSeventh = index < 4;
        const Bitboard pawnAttack = pawnAttacks<White>(bit(pawn));
        int8_t* slice = kpkTable.entries + index * T::SliceSize;

        for (int strong = 0; strong < 64; ++strong) {
            const Bitboard strongReach = kingAttacks(strong);
            for (int weak = 0; weak < 64; ++weak) {
                const Bitboard weakReach = kingAttacks(weak);
                int8_t& weakMove = slice[strong + 64 * weak];
                int8_t& strongMove = slice[T::StrongToMove + strong + 64 * weak];
                const Bitboard weakBit = bit(weak);

                if (strong == pawn || strong == weak || (strongReach & weakBit)) {
                    weakMove = strongMove = T::Illegal;
                    work.strongSettled[index][strong] |= weakBit;
                    continue;
                }
                if (weak == pawn) {  // the pawn has been taken
                    weakMove = T::Illegal;
                    strongMove = T::Draw;
                    continue;
                }

                if (pawnAttack & weakBit) {
                    strongMove = T::Illegal;
                    work.strongSettled[index][strong] |= weakBit;
                } else if (!(strongReach & ~bit(pawn) & ~weakReach) && (front == strong || front == weak)) {
                    strongMove = T::Draw;  // stalemate
                } else if (onSeventh && front != strong && front != weak &&
                           (!(weakReach & bit(front)) || (strongReach & bit(front)))) {
                    strongMove = 1;  // promotes and keeps the new queen
                    work.strongSettled[index][strong] |= weakBit;
                } else {
                    strongMove = T::Draw;  // until proven won
                    work.strongOpen[index][strong] |= weakBit;
                }

                weakMove = T::Draw;
                if (weakReach & ~pawnAttack & ~strongReach) work.weakOpen[index][strong] |= weakBit;
            }
        }
    }
}

// Weak side to move: won when every legal king move reaches a won position.
bool solveWeakLevel(Work& work, int8_t value) {
    bool found = false;
    for (int index = 0; index < T::PawnSquares; ++index) {
        int8_t* slice = kpkTable.entries + index * T::SliceSize;
        for (int strong = 0; strong < 64; ++strong) {
            Bitboard won = work.weakOpen[index][strong] & ~neighbours(~work.strongSettled[index][strong]);
            work.weakNew[index][strong] = won;
            if (!won) continue;
            found = true;
            work.weakOpen[index][strong] &= ~won;
            while (won) slice[strong + 64 * popLowest(won)] = value;
        }
    }
    return found;
}

// Strong side to move: won when a king move or a pawn push reaches a position the weak
// side lost at the last level. Pushes onto an occupied square meet illegal entries,
// which are never won, so only the double push needs its passed square checked.
bool solveStrongLevel(Work& work, int8_t value) {
    bool found = false;
    for (int index = 0; index < T::PawnSquares; ++index) {
        const int pawn = pawnSquareOf(index);
        int8_t* slice = kpkTable.entries + index * T::SliceSize + T::StrongToMove;
        for (int strong = 0; strong < 64; ++strong) {
            Bitboard reached = 0;
            for (Bitboard k = kingAttacks(strong); k;) reached |= work.weakNew[index][popLowest(k)];
            if (index >= 4) reached |= work.weakNew[index - 4][strong];
            if (index >= 20 && strong != pawn - 8) reached |= work.weakNew[index - 8][strong] & ~bit(pawn - 8);

            Bitboard won = reached & work.strongOpen[index][strong];
            if (!won) continue;
            found = true;
            work.strongOpen[index][strong] &= ~won;
            work.strongSettled[index][strong] |= won;
            while (won) slice[strong + 64 * popLowest(won)] = value;
        }
    }
    return found;
}

}  // namespace

void buildKPKTable() {
    static bool built = false;
    if (built) return;
    built = true;
    buildAttackTables();

    for (int sq = 0; sq < 64; ++sq) kpkTable.pawnOffset[sq] = -1;
    for (int index = 0; index < T::PawnSquares; ++index)
        kpkTable.pawnOffset[pawnSquareOf(index)] = index * T::SliceSize;

    auto work = std::make_unique<Work>();  // zeroed; freed once the table stands
    classify(*work);

    // Level by level, every position won in exactly `value` plies (strong to move:
    // odd values, weak to move: even). Whatever stays open is a draw, as classified.
    for (int value = 2; value <= T::LongestWin; value += 2) {
        if (!solveWeakLevel(*work, static_cast<int8_t>(value))) break;
        assert(value + 1 <= T::LongestWin);
        if (!solveStrongLevel(*work, static_cast<int8_t>(value + 1))) break;
    }
}

namespace {
struct KPKTableInit {
    KPKTableInit() { buildKPKTable(); }
};
KPKTableInit kpkTableInit;
}  // namespace

int probeKPK(bool strongToMove, int strongKing, int weakKing, int pawn) {
    assert(pawn >= 0 && pawn < 64 && strongKing >= 0 && strongKing < 64 && weakKing >= 0 && weakKing < 64);
    pawn &= 63;
    int offset = kpkTable.pawnOffset[pawn];
    if (offset < 0) {  // files e to h: mirror the whole placement
        pawn ^= 7;
        strongKing ^= 7;
        weakKing ^= 7;
        offset = kpkTable.pawnOffset[pawn];
        if (offset < 0) return -1;  // no pawn can stand on rank 1 or 8
    }
    const int value = kpkTable.entries[offset + (strongToMove ? T::StrongToMove : 0) + (strongKing & 63) +
                                       64 * (weakKing & 63)];
    return value == T::Draw ? -1 : value;
}

}  // namespace tolvaren
