#include "pgn/san_writer.h"

#include <cstring>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"

namespace tolvaren {

namespace {

int pieceTypeOf(Zug_t move) {
    const int kind = moveKind(move);
    return kind >= ZugBauer && kind <= ZugKoenig ? kind : kind == ZugRochade ? King : Pawn;
}

}  // namespace

std::string writeSan(const Stellung_t& pos, const Zustand_t& state, Zug_t move) {
    const int from = moveFrom(move), to = moveTo(move), kind = moveKind(move);
    const int type = pieceTypeOf(move);
    const bool capture = kind == ZugEnPassant || (pos.sides[pos.side ^ 1].pieces[AllPieces] & bit(to));
    std::string text;
    if (kind == ZugRochade) {
        text = fileOf(to) == 6 ? "O-O" : "O-O-O";
    } else if (type == Pawn) {
        if (capture) text = {static_cast<char>('a' + fileOf(from)), 'x'};
    } else {
        text = "--NBRQK"[type];
        // Other pieces of the type that may go there decide what names the origin.
        bool rival = false, sameFile = false, sameRank = false;
        Zugliste_t list;
        const uint32_t* end = generate(pos, state, list.begin());
        for (const uint32_t* m = list.begin(); m != end; ++m) {
            const Zug_t other = moveOf(*m);
            if (other == move || moveTo(other) != to || pieceTypeOf(other) != type ||
                moveKind(other) == ZugRochade || !leavesKingSafe(pos, state, other))
                continue;
            rival = true;
            sameFile |= fileOf(moveFrom(other)) == fileOf(from);
            sameRank |= rankOf(moveFrom(other)) == rankOf(from);
        }
        if (rival && (!sameFile || sameRank)) text += static_cast<char>('a' + fileOf(from));
        if (rival && sameFile) text += static_cast<char>('0' + rankOf(from));
        if (capture) text += 'x';
    }
    if (kind != ZugRochade) {
        text += static_cast<char>('a' + fileOf(to));
        text += static_cast<char>('0' + rankOf(to));
    }
    if (isPromotion(move)) {
        text += '=';
        text += "NBRQ"[kind - ZugUmwSpringer];
    }

    Stellung_t after;
    std::memcpy(&after, &pos, BoardPartSize);
    Zustand_t afterState;
    Rueckzug_t undo;
    if (playMove(after, move, state, afterState, undo) && inCheck(after, afterState))
        text += gameOver(after, afterState) ? '#' : '+';
    return text;
}

}  // namespace tolvaren
