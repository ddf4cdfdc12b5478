#include "bitbase/bitbase_position.h"

#include <cstring>
#include <utility>

#include "bitbase/bitbase_tables.h"
#include "board/bitboard.h"

namespace tolvaren {

namespace {

// King squares of the pawnless start values 0..9: a8, b8, c8, d8, b7, c7, d7, c6, d6, d5.
constexpr int TriangleSquare[10] = {0, 1, 2, 3, 9, 10, 11, 18, 19, 27};

constexpr int baseSquare(int side) {
    return side == 0 ? 56 : 0;
}  // a-file square behind the pawns
constexpr int transposed(int code) {
    return ((code & 7) << 3) | (code >> 3);
}

int letterType(char c) {
    const char* hit = std::strchr(PieceLettersGerman + 1, c);
    return c != '\0' && hit != nullptr ? static_cast<int>(hit - PieceLettersGerman) : 0;
}

// A pawn that may capture en passant is coded on its promotion row (target on the file
// to its right) or its base row (target to its left); other squares code themselves.
int epCode(int side, int square, int ep) {
    if (ep < 1) return square;
    const int captureRow = side == 0 ? 24 : 32;
    if ((square & 56) != captureRow) return square;
    const int front = square + (side == 0 ? -8 : 8);
    const int file = square & 7;
    if (file != 7 && ep == front + 1) return file | (side == 0 ? 0 : 56);
    if (file != 0 && ep == front - 1) return file | (side == 0 ? 56 : 0);
    return square;
}

// Appends the codes of the pieces other than `skip` in name order; runs of identical
// letters share sorted pair codes, so swapping identical pieces keeps the index.
uint64_t appendPieces(const BitbaseStellung_t& p, const int* code, int skip, uint64_t index) {
    auto nextPiece = [&](int from) {
        while (from < p.total && from == skip) ++from;
        return from;
    };
    for (int i = nextPiece(0); i < p.total;) {
        int run[4];
        int n = 0;
        const char letter = p.name[i];
        int j = i;
        do {
            run[n++] = code[j];
            j = nextPiece(j + 1);
        } while (letter != 'K' && n < 4 && j < p.total && p.name[j] == letter);
        for (int a = 1; a < n; ++a)  // at most four codes: insertion sort
            for (int b = a; b > 0 && run[b - 1] > run[b]; --b) std::swap(run[b - 1], run[b]);
        switch (n) {
            case 1:
                index = index * 64 + run[0];
                break;
            case 2:
                index = index * 2048 + pairCode(run[0], run[1]);
                break;
            case 3:
                index = (index * 2048 + pairCode(run[0], run[1])) * 64 + run[2];
                break;
            default:
                index = index * 2048 + pairCode(run[0], run[1]);
                index = index * 2048 + pairCode(run[2], run[3]);
                break;
        }
        i = j;
    }
    return index;
}

uint64_t pawnlessIndex(const BitbaseStellung_t& p) {
    const int king = p.pieces[0].square;
    const int x = king & 0x24;
    const int mask = x | (x >> 1) | (x >> 2);  // brings the king to rows 0..3, files 0..3
    const int k = king ^ mask;
    const int row = k >> 3, file = k & 7;

    int code[MaxBitbasePieces];
    for (int i = 1; i < p.total; ++i) code[i] = p.absent(i) ? k : p.pieces[i].square ^ mask;

    bool flip = file < row;
    if (file == row) {
        // The first piece off the long diagonal decides; absent pieces sit on the king's.
        for (int i = 1; i < p.total; ++i) {
            const int r = code[i] >> 3, f = code[i] & 7;
            if (r != f) {
                flip = f < r;
                break;
            }
        }
    }
    if (flip)
        for (int i = 1; i < p.total; ++i) code[i] = transposed(code[i]);

    const uint64_t start =
        flip ? (7 - file) * file + 2 * row + p.sideToMove : (7 - row) * row + 2 * file + p.sideToMove;
    return appendPieces(p, code, 0, start);
}

uint64_t pawnIndex(const BitbaseStellung_t& p) {
    const int ep = p.hasEp() ? p.epSquare : 0;
    const int special = p.specialPawn;
    const int specialSide = p.sideOf(special);
    const bool specialAbsent = p.absent(special);
    const int q = specialAbsent ? baseSquare(specialSide) : p.pieces[special].square;

    // The mirror is decided on the pawn's own square; the e.p. square is compared
    // unmirrored in both codes. Existing files depend on this exact rule.
    int specialCode = specialAbsent ? q : epCode(specialSide, q, ep);
    int mask = 0;
    if ((specialCode & 7) >= 4) {
        mask = 7;
        specialCode = specialAbsent ? q ^ mask : epCode(specialSide, q ^ mask, ep);
    }

    int code[MaxBitbasePieces];
    const int kingCode = p.pieces[0].square ^ mask;
    for (int i = 0; i < p.total; ++i) {
        if (i == special) continue;
        const bool pawn = p.baseType(i) == Pawn;
        if (p.absent(i))
            code[i] = pawn ? baseSquare(p.sideOf(i)) ^ mask : kingCode;
        else
            code[i] = pawn ? epCode(p.sideOf(i), p.pieces[i].square ^ mask, ep) : p.pieces[i].square ^ mask;
    }
    const uint64_t start = (specialCode & 56) + 2 * ((q ^ mask) & 7) + p.sideToMove;
    return appendPieces(p, code, special, start);
}

}  // namespace

bool BitbaseStellung_t::setMaterial(const char* materialName) {
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    specialPawn = -1;
    epSquare = -1;
    const size_t length = strnlen(materialName, MaxBitbasePieces + 1);
    if (length < 2 || length > MaxBitbasePieces || materialName[0] != 'K') return false;
    int secondKing = 0;
    for (size_t i = 0; i < length; ++i) {
        const int type = letterType(materialName[i]);
        if (type == 0) return false;
        if (type == King && i > 0) {
            if (secondKing != 0) return false;
            secondKing = static_cast<int>(i);
        }
        pieces[i].type = type;
        name[i] = materialName[i];
    }
    if (secondKing == 0) return false;

    count[0] = endSide0 = secondKing;
    count[1] = static_cast<int32_t>(length) - secondKing;
    total = totalCopy = static_cast<int32_t>(length);

    // The special pawn is chosen so that the other pawns of its side pair up when they can.
    int pawns[2] = {0, 0}, firstPawn[2] = {-1, -1};
    for (int i = 0; i < total; ++i)
        if (pieces[i].type == Pawn) {
            const int side = sideOf(i);
            if (pawns[side]++ == 0) firstPawn[side] = i;
        }
    if (pawns[0] > 0)
        specialPawn = (pawns[0] % 2 == 0 && pawns[1] % 2 == 1) ? firstPawn[1] : firstPawn[0];
    else if (pawns[1] > 0)
        specialPawn = firstPawn[1];

    int pairs = 0;
    int previous = -1;  // last piece of the scan, the special pawn skipped
    for (int i = 0; i < total; ++i) {
        if (i == specialPawn) continue;
        if (previous >= 0 && name[i] != 'K' && name[i] == name[previous]) {
            pairMark[previous] = pairMark[i] = 1;
            ++pairs;
            previous = -1;  // the scan goes on after the pair
            continue;
        }
        previous = i;
    }

    size = specialPawn >= 0 ? 64 : 20;
    for (int i = 1; i < total; ++i) size *= 64;
    size >>= pairs;
    return true;
}

bool BitbaseStellung_t::setPieces(const int* types0, const int* squares0, const int* types1,
                                  const int* squares1, int side, int ep) {
    char letters[2 * MaxBitbasePieces + 1];
    int squares[2 * MaxBitbasePieces];
    int n = 0, side0 = 0;
    const int* types[2] = {types0, types1};
    const int* places[2] = {squares0, squares1};
    for (int s = 0; s < 2; ++s) {
        for (int i = 0; i < MaxBitbasePieces && types[s][i] != 0; ++i) {
            if (types[s][i] < Pawn || types[s][i] > King || places[s][i] < 0 || places[s][i] > 63)
                return false;
            letters[n] = PieceLettersGerman[types[s][i]];
            squares[n++] = places[s][i];
        }
        if (s == 0) side0 = n;
    }
    letters[n] = '\0';
    // Each list must be one side: its king first and no other.
    if (n > MaxBitbasePieces || (side != 0 && side != 1) || ep > 63 || !setMaterial(letters) ||
        count[0] != side0)
        return false;
    for (int i = 0; i < n; ++i) pieces[i].square = squares[i];
    sideToMove = side;
    epSquare = static_cast<int8_t>(ep >= 1 ? ep : -1);
    return true;
}

uint64_t BitbaseStellung_t::index() const {
    return specialPawn >= 0 ? pawnIndex(*this) : pawnlessIndex(*this);
}

void BitbaseStellung_t::setIndex(uint64_t index) {
    epSquare = -1;
    for (int i = 0; i < total; ++i) {
        pieces[i].type &= 7;
        pieces[i].square = 0;
    }
    const bool pawns = specialPawn >= 0;
    const int skip = pawns ? specialPawn : 0;

    // Taken apart from the least significant end: last piece first, pairs together.
    for (int i = total - 1; i >= 0; --i) {
        if (i == skip) continue;
        int partner = i - 1;
        if (partner == skip) --partner;
        if (pairMark[i] && partner >= 0 && pairMark[partner]) {
            const int code = static_cast<int>(index & 2047);
            index >>= 11;
            if (code >= SquarePairCount) {
                pieces[partner].type |= AbsentFlag;
                pieces[i].type |= AbsentFlag;
            } else {
                pieces[partner].square = SquarePairs[code].low;
                pieces[i].square = SquarePairs[code].high;
            }
            i = partner;
        } else {
            pieces[i].square = static_cast<int>(index & 63);
            index >>= 6;
        }
    }

    sideToMove = static_cast<int32_t>(index & 1);
    const uint64_t rest = index >> 1;
    if (pawns) {
        if (rest >= 32) {
            pieces[0].type |= AbsentFlag;
            return;
        }
        pieces[specialPawn].square = static_cast<int>((rest & 3) + 2 * (rest & 28));
    } else {
        if (rest >= 10) {
            pieces[0].type |= AbsentFlag;
            return;
        }
        pieces[0].square = TriangleSquare[rest];
    }

    const int king = pieces[0].square;
    for (int i = 1; i < total; ++i) {
        BitbaseFigur_t& piece = pieces[i];
        const int side = sideOf(i);
        const bool pawn = baseType(i) == Pawn;
        if (absent(i)) {
            piece.square = pawn ? baseSquare(side) : king;  // the placeholders of the index
            continue;
        }
        if (!pawn) {
            if (piece.square != king) continue;
            if (piece.type == King) {
                // Two kings on one square: no position, rather than a position without kings.
                pieces[0].type |= AbsentFlag;
                return;
            }
            piece.type |= AbsentFlag;
            continue;
        }
        if (piece.square == baseSquare(side)) {
            piece.type |= AbsentFlag;
            continue;
        }
        const int row = piece.square >> 3;
        if (side != sideToMove || (row != 0 && row != 7)) continue;

        // An e.p. code: the pawn stands on its capture row in the code's file.
        if (piece.square == (side == 0 ? 7 : 63)) {
            pieces[0].type |= AbsentFlag;
            return;
        }
        const int file = piece.square & 7;
        const int captureSquare = (side == 0 ? 24 : 32) + file;
        const int front = captureSquare + (side == 0 ? -8 : 8);
        const bool promotionRow = row == (side == 0 ? 0 : 7);
        const int target = promotionRow ? front + 1 : front - 1;
        const int victim = (captureSquare & 56) + (target & 7);
        bool found = false;
        const int from = side == 0 ? endSide0 + 1 : 1;
        const int to = side == 0 ? total : endSide0;
        for (int j = from; j < to; ++j) found |= pieces[j].type == Pawn && pieces[j].square == victim;
        if (!found || (hasEp() && epSquare != target)) {
            pieces[0].type |= AbsentFlag;
            return;
        }
        piece.square = captureSquare;
        epSquare = static_cast<int8_t>(target);
    }
}

}  // namespace tolvaren
