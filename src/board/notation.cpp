#include "board/notation.h"

#include <cstring>

#include "board/attack_tables.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"

namespace tolvaren {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view skipBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    return text.substr(i);
}

// Square from a file letter (either case) and a rank digit; -1 if off the board.
int squareFromText(char file, char rank) {
    file = static_cast<char>(file | 0x20);
    if (file < 'a' || file > 'h' || rank < '1' || rank > '8') return -1;
    return squareOf(file - 'a', rank - '0');
}

int typeAt(const Seite_t& side, int square) {
    for (int t = Pawn; t <= King; ++t)
        if (side.pieces[t] & bit(square)) return t;
    return 0;
}

// Promotion kind of a letter in English or German, either case; 0 if none.
int promotionKind(char c) {
    switch (c | 0x20) {
        case 'q':
        case 'd':
            return ZugUmwDame;
        case 'r':
        case 't':
            return ZugUmwTurm;
        case 'b':
        case 'l':
            return ZugUmwLaeufer;
        case 'n':
        case 's':
            return ZugUmwSpringer;
        default:
            return 0;
    }
}

// Piece type of an upper-case SAN piece letter (English or German); 0 if none.
int sanPieceType(char c) {
    switch (c) {
        case 'N':
        case 'S':
            return Knight;
        case 'B':
        case 'L':
            return Bishop;
        case 'R':
        case 'T':
            return Rook;
        case 'Q':
        case 'D':
            return Queen;
        case 'K':
            return King;
        default:
            return 0;
    }
}

Zug_t castlingMove(const Stellung_t& pos, int wing) {
    return makeMove(pos.sides[pos.side].kingSquare(), CastlingKingTarget[pos.side][wing], ZugRochade);
}

}  // namespace

char* writeCoordinate(const Stellung_t& pos, Zug_t move, char* buffer) {
    const int kind = moveKind(move);
    if (move == 0) {
        std::memcpy(buffer, "0000", 5);
        return buffer;
    }
    int from = moveFrom(move), to = moveTo(move);
    if (kind == ZugRochade && pos.chess960) {
        const bool isShort = fileOf(to) == 6;
        if (!pos.fileLetters) {
            std::strcpy(buffer, isShort ? "O-O" : "O-O-O");
            return buffer;
        }
        // The king "takes" its own rook. The castling side is the one whose first rank
        // the king stands on, not the side to move: PV and ponder moves are written
        // against the root position.
        const Seite_t& s = pos.sides[rankOf(from) == 1 ? White : Black];
        to = isShort ? s.shortRook : s.longRook;
    }
    char* out = buffer;
    *out++ = static_cast<char>('a' + fileOf(from));
    *out++ = static_cast<char>('0' + rankOf(from));
    *out++ = static_cast<char>('a' + fileOf(to));
    *out++ = static_cast<char>('0' + rankOf(to));
    if (isPromotion(move)) *out++ = "nbrq"[kind - ZugUmwSpringer];
    *out = 0;
    return buffer;
}

Zug_t readCoordinate(const Stellung_t& pos, std::string_view text) {
    text = skipBlanks(text);
    if (startsWith(text, "O-O-O") || startsWith(text, "0-0-0") || startsWith(text, "o-o-o"))
        return castlingMove(pos, 1);
    if (startsWith(text, "O-O") || startsWith(text, "0-0") || startsWith(text, "o-o"))
        return castlingMove(pos, 0);
    if (text.size() < 4) return 0;
    const int from = squareFromText(text[0], text[1]);
    const int to = squareFromText(text[2], text[3]);
    if (from < 0 || to < 0) return 0;
    const Seite_t& me = pos.sides[pos.side];
    const Seite_t& opp = pos.sides[pos.side ^ 1];
    const int type = typeAt(me, from);
    if (type == 0) return 0;

    if (type == Pawn) {
        if (text.size() > 4)
            if (const int kind = promotionKind(text[4])) return makeMove(from, to, kind);
        if (fileOf(from) == fileOf(to) || (opp.pieces[AllPieces] & bit(to)))
            return makeMove(from, to, ZugBauer);
        return makeMove(from, to, ZugEnPassant);
    }
    if (type == King) {
        const int shortRight = CastlingRight[pos.side][0];
        const int longRight = CastlingRight[pos.side][1];
        const int home = pos.side == White ? 60 : 4;
        if (from == home && (pos.castling & shortRight) && to == CastlingKingTarget[pos.side][0])
            return castlingMove(pos, 0);
        if (from == home && (pos.castling & longRight) && to == CastlingKingTarget[pos.side][1])
            return castlingMove(pos, 1);
        if ((pos.castling & shortRight) && to == me.shortRook) return castlingMove(pos, 0);
        if ((pos.castling & longRight) && to == me.longRook) return castlingMove(pos, 1);
    }
    return makeMove(from, to, type);
}

Zug_t readSan(const Stellung_t& pos, std::string_view text, const Zustand_t& state) {
    std::string_view core = skipBlanks(text);
    bool checkMark = false, mateMark = false, epMark = false, annotation = false;
    for (bool removed = true; removed;) {
        removed = false;
        while (!core.empty() && isBlank(core.back())) core.remove_suffix(1);
        size_t cut = 0;
        if (endsWith(core, "#") || endsWith(core, "++") || endsWith(core, "+")) {
            if (checkMark || mateMark) return 0;
            cut = endsWith(core, "#") ? 1 : endsWith(core, "++") ? 2 : 1;
            (cut == 1 && core.back() == '+' ? checkMark : mateMark) = true;
        } else if (endsWith(core, "e. p.") || endsWith(core, "e.p.") || endsWith(core, "ep")) {
            if (epMark) return 0;
            epMark = true;
            cut = endsWith(core, "e. p.") ? 5 : endsWith(core, "e.p.") ? 4 : 2;
        } else if (!core.empty() && (core.back() == '!' || core.back() == '?')) {
            if (annotation) return 0;
            annotation = true;
            cut = core.size() >= 2 && (core[core.size() - 2] == '!' || core[core.size() - 2] == '?') ? 2 : 1;
        }
        if (cut) {
            core.remove_suffix(cut);
            removed = true;
        }
    }
    if (core.size() < 2 || core.size() > 6) return 0;

    const int side = pos.side;
    const Seite_t& me = pos.sides[side];
    const Seite_t& opp = pos.sides[side ^ 1];
    Zug_t found = 0;
    int candidatesLeft = 0;

    if (core == "O-O-O" || core == "0-0-0" || core == "O-O" || core == "0-0") {
        const int wing = core.size() == 5 ? 1 : 0;
        if (!(pos.castling & CastlingRight[side][wing])) return 0;
        found = castlingMove(pos, wing);
        // Tested like every other candidate: a blocked castling must not be played.
        candidatesLeft = isLegal(pos, found, state) ? 1 : 0;
    } else {
        int type = sanPieceType(core[0]);
        size_t start = 1;  // first character after the piece letter
        if (type == 0) {
            if (core[0] < 'a' || core[0] > 'h') return 0;
            type = Pawn;
            start = 0;
        }
        size_t endOfTarget = core.size();
        int promotion = 0;
        // A trailing piece letter (upper case; a lone "b" would be a file) is a promotion.
        if (sanPieceType(core.back()) && core.back() != 'K') {
            promotion = promotionKind(core.back());
            --endOfTarget;
            if (endOfTarget > 0 && (core[endOfTarget - 1] == '=' || core[endOfTarget - 1] == '/'))
                --endOfTarget;
        }
        if (endOfTarget < start + 2) return 0;
        const int to = squareFromText(core[endOfTarget - 2], core[endOfTarget - 1]);
        if (to < 0 || (core[endOfTarget - 2] < 'a')) return 0;
        size_t endOfFrom = endOfTarget - 2;
        const bool enPassant = type == Pawn && pos.epSquare && to == pos.epSquare;
        const bool capture = enPassant || (opp.pieces[AllPieces] & bit(to));
        if (capture) {
            if (endOfFrom == 0 || core[endOfFrom - 1] != 'x') return 0;
            --endOfFrom;
        } else if (endOfFrom > start && core[endOfFrom - 1] == '-') {
            --endOfFrom;
        }
        if (endOfFrom < start) return 0;
        Bitboard limit = ~Bitboard{0};
        for (size_t i = start; i < endOfFrom; ++i) {
            const char c = core[i];
            if (c >= 'a' && c <= 'h')
                limit &= FileA << (c - 'a');
            else if (c >= '1' && c <= '8')
                limit &= Rank1 >> (8 * (c - '1'));
            else
                return 0;
        }

        Bitboard origins;
        const Bitboard occupancy = state.occupancy;
        const int back = side == White ? 8 : -8;
        if (type == Pawn) {
            if (capture) {
                origins = pawnCaptures(side ^ 1, to) & me.pieces[Pawn];
            } else {
                origins = me.pieces[Pawn] & bit(to + back);
                const int doubleRank = side == White ? 4 : 5;
                if (!origins && rankOf(to) == doubleRank && !(occupancy & bit(to + back)))
                    origins = me.pieces[Pawn] & bit(to + 2 * back);
            }
        } else if (type == Knight) {
            origins = knightAttacks(to) & me.pieces[Knight];
        } else if (type == Bishop) {
            origins = bishopAttacks(to, occupancy) & me.pieces[Bishop];
        } else if (type == Rook) {
            origins = rookAttacks(to, occupancy) & me.pieces[Rook];
        } else if (type == Queen) {
            origins = queenAttacks(to, occupancy) & me.pieces[Queen];
        } else {
            origins = kingAttacks(to) & me.pieces[King];
        }
        origins &= limit;
        if (promotion && type != Pawn) return 0;
        const int kind = type != Pawn ? type : enPassant ? ZugEnPassant : promotion ? promotion : ZugBauer;
        for (Bitboard b = origins; b;) {
            const Zug_t move = makeMove(popLowest(b), to, kind);
            if (isLegal(pos, move, state)) {
                found = move;
                ++candidatesLeft;
            }
        }
    }
    if (candidatesLeft != 1) return 0;

    if (epMark && moveKind(found) != ZugEnPassant) return 0;
    if (checkMark || mateMark) {
        Stellung_t copy;
        std::memcpy(&copy, &pos, BoardPartSize);
        Zustand_t after;
        Rueckzug_t undo;
        if (!playMove(copy, found, state, after, undo)) return 0;
        int result = 0;
        if (mateMark && !(gameOver(copy, after, &result) && result != 0)) return 0;
        if (checkMark && !inCheck(copy, after)) return 0;
    }
    return found;
}

int countLegalMoves(const Stellung_t& pos, const Zustand_t& state) {
    Zugliste_t moves;
    uint32_t* end = generate(pos, state, moves.begin());
    int n = 0;
    for (uint32_t* m = moves.begin(); m != end; ++m) n += leavesKingSafe(pos, state, moveOf(*m));
    return n;
}

int gameOver(const Stellung_t& pos, const Zustand_t& state, int* result) {
    Zugliste_t moves;
    uint32_t* end = generate(pos, state, moves.begin());
    for (uint32_t* m = moves.begin(); m != end; ++m)
        if (leavesKingSafe(pos, state, moveOf(*m))) return 0;
    if (result) *result = inCheck(pos, state) ? (pos.side == White ? -1 : 1) : 0;
    return 1;
}

}  // namespace tolvaren
