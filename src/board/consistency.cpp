#include "board/consistency.h"

#include <cstring>

#include "board/make_move.h"
#include "board/position.h"

namespace tolvaren {

bool isConsistent(const Stellung_t& pos) {
    if (pos.side != White && pos.side != Black) return false;
    Bitboard seen = 0;
    for (const Seite_t& s : pos.sides) {
        Bitboard all = 0;
        int total = 0;
        for (int type = Pawn; type <= King; ++type) {
            const Bitboard b = s.pieces[type];
            if (b & all) return false;  // two types on one square
            all |= b;
            if (s.count[type] != popCount(b) || s.count[type] > SquareListSize) return false;
            total += s.count[type];
            Bitboard listed = 0;
            for (int i = 0; i < s.count[type]; ++i) listed |= bit(s.squares(type)[i] & 63);
            if (listed != b) return false;
        }
        if (all != s.pieces[AllPieces] || total != s.count[AllPieces] || s.count[King] != 1) return false;
        if (all & seen) return false;  // both sides on one square
        seen |= all;
    }
    if (pos.epSquare) {
        const int pushed = pos.side == White ? pos.epSquare + 8 : pos.epSquare - 8;
        if (pushed < 0 || pushed > 63 || !(pos.sides[pos.side ^ 1].pieces[Pawn] & bit(pushed))) return false;
    }
    for (int color = White; color <= Black; ++color) {
        const Seite_t& s = pos.sides[color];
        const int rights = pos.castling >> (2 * color);
        if ((rights & 1) && !(s.pieces[Rook] & bit(s.shortRook))) return false;
        if ((rights & 2) && !(s.pieces[Rook] & bit(s.longRook))) return false;
    }
    return true;
}

bool isConsistent(const Stellung_t& pos, const Zustand_t& state) {
    if (!isConsistent(pos)) return false;
    Zustand_t fresh;
    computeState(pos, fresh);
    return std::memcmp(&fresh, &state, sizeof fresh) == 0;
}

}  // namespace tolvaren
