#include "board/fen.h"

#include <cstring>

#include "board/attack_tables.h"
#include "board/position.h"

namespace tolvaren {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void skipBlanks(std::string_view text, size_t& i) {
    while (i < text.size() && isBlank(text[i])) ++i;
}

int pieceTypeOfLetter(char c) {
    switch (c | 0x20) {
        case 'p':
            return Pawn;
        case 'n':
            return Knight;
        case 'b':
            return Bishop;
        case 'r':
            return Rook;
        case 'q':
            return Queen;
        case 'k':
            return King;
        default:
            return 0;
    }
}

bool isFileLetter(char c) {
    return (c >= 'a' && c <= 'h') || (c >= 'A' && c <= 'H');
}

// Reads "%d" the way the C library does: blanks, optional sign, digits; 0 when absent.
long readNumber(std::string_view text, size_t& i) {
    skipBlanks(text, i);
    size_t j = i;
    bool negative = false;
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) negative = text[j++] == '-';
    if (j >= text.size() || text[j] < '0' || text[j] > '9') return 0;
    long value = 0;
    for (; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j)
        if (value < 1000000) value = value * 10 + (text[j] - '0');
    i = j;
    return negative ? -value : value;
}

constexpr int RightColor[4] = {White, White, Black, Black};  // by right bit index
constexpr bool RightIsShort[4] = {true, false, true, false};

// Sets the castling rights and rook squares from the field; false refuses the FEN.
bool readCastling(Stellung_t& p, std::string_view field) {
    int rightFile[4] = {-1, -1, -1, -1};
    int kingFile[2];
    for (int color = White; color <= Black; ++color)
        kingFile[color] = fileOf(lowestSquare(p.sides[color].pieces[King]));
    if (field == "-") return true;
    if (field.empty()) return false;
    char previous = 0;
    for (char c : field) {
        if (c == 'K' || c == 'Q' || c == 'k' || c == 'q') {
            p.castling |= c == 'K' ? WhiteShort : c == 'Q' ? WhiteLong : c == 'k' ? BlackShort : BlackLong;
            p.fileLetters = 0;
        } else if (isFileLetter(c) &&
                   (previous == 'K' || previous == 'Q' || previous == 'k' || previous == 'q')) {
            const int right = previous == 'K' ? 0 : previous == 'Q' ? 1 : previous == 'k' ? 2 : 3;
            rightFile[right] = (c | 0x20) - 'a';
            p.chess960 = 1;
            p.fileLetters = 0;
        } else if (isFileLetter(c)) {
            const int color = c >= 'a' ? Black : White;
            const int file = (c | 0x20) - 'a';
            const int right = (color == Black ? 2 : 0) + (file < kingFile[color] ? 1 : 0);
            p.castling |= 1 << right;
            rightFile[right] = file;
            p.chess960 = 1;
            p.fileLetters = 1;
        } else {
            return false;
        }
        previous = c;
    }

    const int whiteKing = p.sides[White].kingSquare(), blackKing = p.sides[Black].kingSquare();
    if ((p.castling & SideCastlingRights[White]) && (p.castling & SideCastlingRights[Black]) &&
        (rankOf(whiteKing) != 1 || rankOf(blackKing) != 8 || fileOf(whiteKing) != fileOf(blackKing)))
        return false;

    int rookFile[4];
    for (int right = 0; right < 4; ++right) {
        if (!(p.castling & (1 << right))) continue;
        const int color = RightColor[right];
        const int firstRank = color == White ? 1 : 8;
        // A king off its first rank cannot castle; the right would move it by magic.
        if (rankOf(p.sides[color].kingSquare()) != firstRank) return false;
        int best = -1;
        for (int f = 0; f < 8; ++f) {
            const bool beyond = RightIsShort[right] ? f > kingFile[color] : f < kingFile[color];
            if (!beyond || (rightFile[right] >= 0 && f != rightFile[right])) continue;
            if (!(p.sides[color].pieces[Rook] & bit(squareOf(f, firstRank)))) continue;
            // The outermost candidate wins.
            if (best < 0 || (RightIsShort[right] ? f > best : f < best)) best = f;
        }
        if (best < 0) return false;
        rookFile[right] = best;
    }
    // Both colours share the castling files; rights that disagree cannot be kept.
    for (int wing = 0; wing < 2; ++wing) {
        const int w = wing, b = wing + 2;
        int file = -1;
        if (p.castling & (1 << w)) file = rookFile[w];
        if (p.castling & (1 << b)) {
            if (file >= 0 && file != rookFile[b]) return false;
            file = rookFile[b];
        }
        if (file < 0) continue;
        for (int color = White; color <= Black; ++color) {
            const uint8_t square = static_cast<uint8_t>(squareOf(file, color == White ? 1 : 8));
            (wing == 0 ? p.sides[color].shortRook : p.sides[color].longRook) = square;
        }
    }
    if (p.sides[White].longRook != 56 || p.sides[White].shortRook != 63 || p.sides[Black].longRook != 0 ||
        p.sides[Black].shortRook != 7 || ((p.castling & SideCastlingRights[White]) && whiteKing != 60) ||
        ((p.castling & SideCastlingRights[Black]) && blackKing != 4))
        p.chess960 = 1;
    return true;
}

bool piecesAcceptable(const Seite_t& s) {
    if (s.count[AllPieces] > 16 || s.count[Pawn] > 8 || s.count[King] != 1 || s.count[Queen] > 9)
        return false;
    for (int type = Knight; type <= Queen; ++type) {
        if (s.count[type] > 10) return false;
        // Every pawn may still promote to this type: its square list must keep room.
        if (s.count[type] + s.count[Pawn] > SquareListSize) return false;
    }
    return true;
}

}  // namespace

bool readFen(Stellung_t& pos, Zustand_t& state, std::string_view text, size_t* end) {
    Stellung_t p;
    std::memset(&p, 0, sizeof p);
    for (Seite_t& s : p.sides) s.longRook = 0, s.shortRook = 7;
    p.sides[White].longRook = 56;
    p.sides[White].shortRook = 63;

    size_t i = 0;
    skipBlanks(text, i);
    int row = 0, file = 0, slashes = 0;
    for (; i < text.size() && !isBlank(text[i]); ++i) {
        const char c = text[i];
        if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 8) return false;
        } else if (c == '/') {
            if (file != 8 || ++slashes > 7) return false;
            ++row;
            file = 0;
        } else if (const int type = pieceTypeOfLetter(c)) {
            if (file >= 8) return false;
            const int color = c >= 'a' ? Black : White;
            const Bitboard b = bit(8 * row + file);
            p.sides[color].pieces[type] |= b;
            p.sides[color].pieces[AllPieces] |= b;
            ++file;
        } else {
            return false;
        }
    }

    skipBlanks(text, i);
    if (i >= text.size()) return false;
    if (text[i] == 'w' || text[i] == 'W')
        p.side = White;
    else if (text[i] == 'b' || text[i] == 'B')
        p.side = Black;
    else
        return false;
    ++i;

    rebuildLists(p);
    for (const Seite_t& s : p.sides)
        if (popCount(s.pieces[King]) != 1) return false;

    skipBlanks(text, i);
    const size_t castlingStart = i;
    while (i < text.size() && !isBlank(text[i])) ++i;
    if (!readCastling(p, text.substr(castlingStart, i - castlingStart))) return false;

    skipBlanks(text, i);
    if (i < text.size() && text[i] == '-') {
        ++i;
    } else {
        if (i + 1 >= text.size() || !isFileLetter(text[i]) || text[i + 1] != (p.side == White ? '6' : '3'))
            return false;
        const int square = squareOf((text[i] | 0x20) - 'a', p.side == White ? 6 : 3);
        const int pushed = p.side == White ? square + 8 : square - 8;  // the pawn that went two
        const int origin = p.side == White ? square - 8 : square + 8;
        const Bitboard occupied = p.sides[White].pieces[AllPieces] | p.sides[Black].pieces[AllPieces];
        // Kept only when a capture there is possible and the board fits a double push.
        if ((p.sides[p.side].pieces[Pawn] & pawnCaptures(p.side ^ 1, square)) &&
            (p.sides[p.side ^ 1].pieces[Pawn] & bit(pushed)) && !(occupied & (bit(square) | bit(origin))))
            p.epSquare = static_cast<uint8_t>(square);
        i += 2;
    }
    if (end) *end = i;

    for (const Seite_t& s : p.sides)
        if (!piecesAcceptable(s)) return false;
    // Pawns on the first or last rank and a king that could be taken are no positions.
    if ((p.sides[White].pieces[Pawn] | p.sides[Black].pieces[Pawn]) & (Rank1 | Rank8)) return false;

    size_t j = i;
    const long halfMoves = readNumber(text, j);
    readNumber(text, j);  // the move number is not kept
    if (halfMoves < 0 || halfMoves > 99) {
        p.historyLength = 1;
    } else {
        p.historyLength = static_cast<int32_t>(halfMoves + 1);
    }

    Zustand_t s;
    computeState(p, s);
    if (s.by(p.side).attacked & p.sides[p.side ^ 1].pieces[King]) return false;
    p.history[p.historyLength - 1] = s.hashKey;

    std::memcpy(&pos, &p, sizeof p);
    state = s;
    return true;
}

char* writeFen(const Stellung_t& pos, char* buffer) {
    static constexpr char Letters[2][8] = {"-PNBRQK", "-pnbrqk"};
    char* out = buffer;
    for (int row = 0; row < 8; ++row) {
        int empty = 0;
        for (int f = 0; f < 8; ++f) {
            const Bitboard b = bit(8 * row + f);
            char letter = 0;
            for (int color = White; color <= Black && !letter; ++color)
                for (int type = Pawn; type <= King; ++type)
                    if (pos.sides[color].pieces[type] & b) letter = Letters[color][type];
            if (!letter) {
                ++empty;
                continue;
            }
            if (empty) *out++ = static_cast<char>('0' + empty);
            empty = 0;
            *out++ = letter;
        }
        if (empty) *out++ = static_cast<char>('0' + empty);
        if (row < 7) *out++ = '/';
    }
    *out++ = ' ';
    *out++ = "wb"[pos.side & 1];
    *out++ = ' ';
    if (!(pos.castling & 15)) *out++ = '-';
    for (int right = 0; right < 4; ++right) {
        if (!(pos.castling & (1 << right))) continue;
        const int color = RightColor[right];
        const Seite_t& s = pos.sides[color];
        *out++ = "KQkq"[right];
        // The rook's file is named only when another rook stands beyond it.
        const int rookSquare = RightIsShort[right] ? s.shortRook : s.longRook;
        const Bitboard beyond = RightIsShort[right] ? ray(rookSquare, East) : ray(rookSquare, West);
        if (s.pieces[Rook] & beyond)
            *out++ = static_cast<char>((color == White ? 'A' : 'a') + fileOf(rookSquare));
    }
    *out++ = ' ';
    if (pos.epSquare) {
        *out++ = static_cast<char>('a' + fileOf(pos.epSquare));
        *out++ = "63"[pos.side & 1];
    } else {
        *out++ = '-';
    }
    *out = 0;
    return buffer;
}

}  // namespace tolvaren
