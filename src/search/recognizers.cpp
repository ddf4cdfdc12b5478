#include "search/recognizers.h"

#include <algorithm>
#include <cstdlib>

#include "board/attack_tables.h"
#include "board/bitboard.h"
#include "board/position.h"
#include "eval/weights.h"
#include "search/kpk.h"

namespace tolvaren {

namespace {

using E_t = Erkennung_t;

// How far a square is from the centre: the defender of a mating attack wants low values.
constexpr int16_t EdgeValue[64] = {
    252, 206, 166, 129, 129, 166, 206, 252,  //
    206, 148, 111, 79,  79,  111, 148, 206,  //
    166, 111, 64,  36,  36,  64,  111, 166,  //
    129, 79,  36,  0,   0,   36,  79,  129,  //
    129, 79,  36,  0,   0,   36,  79,  129,  //
    166, 111, 64,  36,  36,  64,  111, 166,  //
    206, 148, 111, 79,  79,  111, 148, 206,  //
    252, 206, 166, 129, 129, 166, 206, 252,
};

constexpr int KPKWinBase = 7306;  // minus ten per ply to the safe promotion
constexpr int KPKDrawValue = 1;   // a drawn pawn ending still leans to the pawn
constexpr int PawnlessClearWin = 3436;
constexpr int BishopKnightBase = 6104;
constexpr int WrongBishopPenalty = -1000;
constexpr int FarRookBonus = 200;

int fileDistance(int a, int b) { return std::abs(fileOf(a) - fileOf(b)); }
int rankDistance(int a, int b) { return std::abs(rankOf(a) - rankOf(b)); }
int chebyshev(int a, int b) { return std::max(fileDistance(a, b), rankDistance(a, b)); }
// Weighted distance: diagonal steps count less than straight ones.
int distance(int a, int b) {
    const int f = fileDistance(a, b), r = rankDistance(a, b);
    return std::min(f, r) + 2 * std::max(f, r);
}

// Rank from the given side's point of view (its pawns move toward rank 8).
int relativeRank(int color, int square) { return color == White ? rankOf(square) : 9 - rankOf(square); }

int minors(const Seite_t& s) { return s.count[Knight] + s.count[Bishop]; }
int kingOf(const Seite_t& s) { return s.kingSquare(); }

// A value for `color` turned to the side to move's view.
int32_t forSide(const Stellung_t& pos, int color, int value) { return pos.side == color ? value : -value; }
E_t replace(const Stellung_t& pos, int color, int value) { return {E_t::Replace, forSide(pos, color, value)}; }
E_t add(const Stellung_t& pos, int color, int value) { return {E_t::Add, forSide(pos, color, value)}; }
constexpr E_t NoOpinion = {E_t::None, 0};

bool isCorner(int s) { return s == 0 || s == 7 || s == 56 || s == 63; }
bool besideCorner(int s) {
    return s == squareOf(0, 7) || s == squareOf(1, 8) || s == squareOf(6, 8) || s == squareOf(7, 7) ||
           s == squareOf(0, 2) || s == squareOf(1, 1) || s == squareOf(6, 1) || s == squareOf(7, 2);
}
bool onEdge(int s) { return fileOf(s) == 0 || fileOf(s) == 7 || rankOf(s) == 1 || rankOf(s) == 8; }
bool onOuterTwo(int s) {
    return fileOf(s) <= 1 || fileOf(s) >= 6 || rankOf(s) <= 2 || rankOf(s) >= 7;
}

// Material without pawns: a margin formula plus the defender's king toward the edge and
// the kings toward each other.
E_t pawnless(const Stellung_t& pos) {
    const Seite_t& w = pos.sides[White];
    const Seite_t& b = pos.sides[Black];
    if (w.count[Pawn] || b.count[Pawn]) return NoOpinion;
    auto material = [](const Seite_t& s) {
        return MaterialValue[Knight][s.count[Knight]] + MaterialValue[Bishop][s.count[Bishop]] +
               MaterialValue[Rook][s.count[Rook]] + MaterialValue[Queen][s.count[Queen]];
    };
    const int mw = material(w), mb = material(b), d = mw - mb;
    if (d == 0) return {E_t::Replace, 0};

    int v;
    if (d > 0)
        v = d < PawnlessClearWin ? std::max(0, (d - 1000) / 2) : d + 200;
    else
        v = d >= -(PawnlessClearWin - 1) ? std::min(0, (d + 1000) / 2) : d - 200;
    const int wk = kingOf(w), bk = kingOf(b);
    int k = 5 - distance(wk, bk);
    if (mw < mb) k = -k;  // closeness helps whoever is ahead
    v += EdgeValue[bk] - EdgeValue[wk] + 2 * k;
    return replace(pos, White, v);
}

E_t kingPawnKing(const Stellung_t& pos, int strong) {
    const Seite_t& s = pos.sides[strong];
    const Seite_t& o = pos.sides[strong ^ 1];
    const int flip = strong == White ? 0 : 56;  // see Black's pawn from its own side
    const int r = probeKPK(pos.side == strong, kingOf(s) ^ flip, kingOf(o) ^ flip, s.squares(Pawn)[0] ^ flip);
    return replace(pos, strong, r >= 0 ? KPKWinBase - 10 * r : KPKDrawValue);
}

// Bishop and rook pawn with a bishop that does not control the queening square: a
// draw once the defender reaches the corner, a doubtful win otherwise.
E_t wrongBishop(const Stellung_t& pos, int strong) {
    const Seite_t& s = pos.sides[strong];
    const int pawn = s.squares(Pawn)[0];
    const int file = fileOf(pawn);
    if (file != 0 && file != 7) return add(pos, strong, 0);
    const int promotion = strong == White ? file : 56 + file;
    const bool bishopLight = s.pieces[Bishop] & LightSquares;
    const bool promotionLight = bit(promotion) & LightSquares;
    if (bishopLight == promotionLight) return add(pos, strong, 0);

    // The four squares of the queening corner: the corner, its neighbour on the edge
    // rank, and the two squares in front of them.
    const int inward = file == 0 ? 1 : -1;
    const int towardPawn = strong == White ? 8 : -8;
    const int defender = kingOf(pos.sides[strong ^ 1]);
    if (defender == promotion || defender == promotion + inward || defender == promotion + towardPawn ||
        defender == promotion + inward + towardPawn)
        return replace(pos, strong, 1);
    return add(pos, strong, WrongBishopPenalty);
}

// Drive the king into a corner of the bishop's colour.
E_t bishopKnight(const Stellung_t& pos, int strong) {
    const Seite_t& s = pos.sides[strong];
    const int sk = kingOf(s), wk = kingOf(pos.sides[strong ^ 1]);
    const bool light = s.pieces[Bishop] & LightSquares;
    const int cornerA = light ? squareOf(0, 8) : squareOf(7, 8);
    const int cornerB = light ? squareOf(7, 1) : squareOf(0, 1);
    const int corner = std::min(chebyshev(wk, cornerA), chebyshev(wk, cornerB));
    const int v = EdgeValue[wk] + BishopKnightBase - EdgeValue[sk] - 3 * (distance(sk, wk) - 5) - 60 * corner;
    return replace(pos, strong, v);
}

// The pawn's side is behind in material: scored from its side, mostly negative, better
// the more central its king and the nearer it stands to its pawn.
E_t pawnSide(const Stellung_t& pos, int pawnColor) {
    const Seite_t& p = pos.sides[pawnColor];
    const int pawn = p.squares(Pawn)[0];
    const int own = kingOf(p), other = kingOf(pos.sides[pawnColor ^ 1]);
    const bool rookFile = fileOf(pawn) == 0 || fileOf(pawn) == 7;
    int rankTerm;
    switch (relativeRank(pawnColor, pawn)) {
        case 7: rankTerm = rookFile ? -50 : -20; break;
        case 6: rankTerm = rookFile ? -100 : -80; break;
        case 5: rankTerm = rookFile ? -150 : -130; break;
        case 4: rankTerm = rookFile ? -200 : -180; break;
        default: rankTerm = rookFile ? -250 : -220; break;
    }
    const int v = EdgeValue[other] - EdgeValue[own] + rankTerm + distance(pawn, other) - distance(pawn, own);
    return replace(pos, pawnColor, v);
}

// Rook and pawn against rook, by the pawn's square with corrections for the defence.
constexpr int RookPawnValue[6][4] = {
    {200, 350, 400, 400},     // ranks 2 and 3
    {200, 350, 400, 400},     //
    {400, 1000, 1100, 1100},  // rank 4
    {800, 1300, 1500, 1400},  // rank 5
    {1200, 1700, 1800, 1800}, // rank 6
    {1700, 2300, 2400, 2400}, // rank 7
};

E_t rookPawnRook(const Stellung_t& pos, int pawnColor) {
    const Seite_t& p = pos.sides[pawnColor];
    const Seite_t& d = pos.sides[pawnColor ^ 1];
    // Seen from the pawn's side with the pawn on files a to d.
    int mirror = pawnColor == White ? 0 : 56;
    if (fileOf(p.squares(Pawn)[0] ^ mirror) > 3) mirror ^= 7;
    const int pawn = p.squares(Pawn)[0] ^ mirror;
    const int attacker = kingOf(p) ^ mirror;
    const int defender = kingOf(d) ^ mirror;
    const int defRook = d.squares(Rook)[0] ^ mirror;
    const int file = fileOf(pawn), rank = rankOf(pawn);

    if (fileOf(defender) == file && rankOf(defender) >= 7 && rankOf(defRook) == 6) return replace(pos, pawnColor, 1);

    int v = RookPawnValue[rank - 2][file];
    if (rankOf(defRook) - rank > 3) v += FarRookBonus;
    const int target = fileOf(defender) != file && file != 0 ? pawn - 9 : pawn - 8;
    v += 4 * (chebyshev(defender, target) - chebyshev(attacker, squareOf(file, 7)));
    if (fileOf(defender) <= file && fileOf(defRook) - file > 3) v -= 300;
    if (fileOf(defender) == file && rankOf(defender) > rank) v -= 100;
    if (pos.side != pawnColor) v -= 6;
    return replace(pos, pawnColor, std::max(v, 1));
}

int dangerValue(int t) { return t < 1 ? 1 : (t + 10) * std::min(t, 8) * 8; }

// Shared part of the danger count for the weaker king k against king s.
int kingDanger(int k, int s, int cornerValue, int besideValue, int elsewhere) {
    int t = isCorner(k) ? cornerValue : besideCorner(k) ? besideValue : elsewhere;
    if (onEdge(k)) t += 3;
    if (onOuterTwo(k)) t += 1;
    if (chebyshev(k, s) <= 2) t += 3;
    return t;
}

E_t rookAgainstMinor(const Stellung_t& pos, int strong) {
    const Seite_t& weakSide = pos.sides[strong ^ 1];
    const int k = kingOf(weakSide);
    int t = kingDanger(k, kingOf(pos.sides[strong]), 4, -1, -5);
    const bool knight = weakSide.count[Knight] != 0;
    const int minor = knight ? weakSide.squares(Knight)[0] : weakSide.squares(Bishop)[0];
    if (knight && isCorner(minor)) t += 1;
    const Bitboard cover = bit(minor) | (knight ? knightAttacks(minor) : bishopAttacks(minor, 0));
    if (fileOf(k) == fileOf(minor) || rankOf(k) == rankOf(minor)) t += 2;
    if (!(cover & kingAttacks(k))) t += 1;
    if (chebyshev(minor, k) > 1) t += chebyshev(minor, k) > 2 ? 4 : 2;
    if (pos.side == strong) t += 1;
    return replace(pos, strong, dangerValue(t));
}

E_t rookMinorAgainstRook(const Stellung_t& pos, int strong) {
    const Seite_t& s = pos.sides[strong];
    int t = kingDanger(kingOf(pos.sides[strong ^ 1]), kingOf(s), 5, 0, -4);
    for (int i = 0; i < s.count[Knight]; ++i)
        if (isCorner(s.squares(Knight)[i])) {
            t -= 1;
            break;
        }
    if (pos.side == strong) t += 1;
    return replace(pos, strong, dangerValue(t));
}

// Rank (from the pawn's side) up to which a blockaded pawn still loses against two
// knights, by file.
constexpr int BlockadeLine[8] = {4, 6, 5, 4, 4, 5, 6, 4};

// Two knights against a pawn: the knights win only by blockading the pawn far enough
// back and then mating, so the score grows with the pawn held back, the blockade, and
// the pawn side's king near the edge.
E_t pawnAgainstTwoKnights(const Stellung_t& pos, int pawnColor) {
    const int knightColor = pawnColor ^ 1;
    const Seite_t& n = pos.sides[knightColor];
    const Seite_t& p = pos.sides[pawnColor];
    const int pawn = p.squares(Pawn)[0];
    const int rank = relativeRank(pawnColor, pawn);
    const int front = pawnColor == White ? pawn - 8 : pawn + 8;
    const int knightKing = kingOf(n), pawnKing = kingOf(p);

    Bitboard knightReach = 0;
    for (Bitboard k = n.pieces[Knight]; k;) knightReach |= knightAttacks(popLowest(k));
    const bool blockedByKnight = n.pieces[Knight] & bit(front);
    const bool blockedByKing = knightKing == front;

    int v = 100 * (7 - rank);
    if (blockedByKnight)
        v += 300;
    else if (blockedByKing)
        v += 150;
    else if (knightReach & bit(front))
        v += 100;
    if ((blockedByKnight || blockedByKing) && rank <= BlockadeLine[fileOf(pawn)]) v += 800;
    if (rank >= 6 && !blockedByKnight && !blockedByKing && !(knightReach & bit(front))) v -= 300;
    v += EdgeValue[pawnKing] / 2 - 2 * distance(knightKing, pawnKing);
    return replace(pos, knightColor, v);
}

// Endings with a single pawn for `pawnColor` among five pieces.
E_t fivePiecesOnePawn(const Stellung_t& pos, int pawnColor) {
    const Seite_t& p = pos.sides[pawnColor];
    const Seite_t& o = pos.sides[pawnColor ^ 1];
    if (p.count[Rook] == 1 && o.count[Rook] == 1) return rookPawnRook(pos, pawnColor);
    if (minors(p) == 1 && o.count[Rook] == 1) return pawnSide(pos, pawnColor);
    if (o.count[Knight] == 2) return pawnAgainstTwoKnights(pos, pawnColor);
    return NoOpinion;
}

E_t sixPiecesOnePawn(const Stellung_t& pos, int pawnColor) {
    const Seite_t& p = pos.sides[pawnColor];
    const Seite_t& o = pos.sides[pawnColor ^ 1];
    if ((p.count[Rook] == 1 && o.count[Rook] == 1 && minors(o) == 1) || (minors(o) == 2 && minors(p) == 1))
        return pawnSide(pos, pawnColor);
    return NoOpinion;
}

E_t fourPieces(const Stellung_t& pos) {
    const Seite_t& w = pos.sides[White];
    const Seite_t& b = pos.sides[Black];
    if (w.count[AllPieces] == 2) {  // one piece each
        // Equal pieces draw; two lone pawns do not (races, a pawn far ahead): those get the
        // usual evaluation and search rather than a blind 0.
        if (w.count[Pawn] == 0 && minors(w) == minors(b) && w.count[Rook] == b.count[Rook] &&
            w.count[Queen] == b.count[Queen])
            return {E_t::Replace, 0};
        if (w.count[Rook] == 1 && minors(b) == 1) return rookAgainstMinor(pos, White);
        if (b.count[Rook] == 1 && minors(w) == 1) return rookAgainstMinor(pos, Black);
        return pawnless(pos);
    }
    const int strong = w.count[AllPieces] == 3 ? White : Black;
    const Seite_t& s = pos.sides[strong];
    if (s.count[Knight] == 2) return replace(pos, strong, 1);  // two knights cannot force mate
    if (s.count[Bishop] == 1 && s.count[Knight] == 1) return bishopKnight(pos, strong);
    if (s.count[Bishop] == 1 && s.count[Pawn] == 1) return wrongBishop(pos, strong);
    return pawnless(pos);
}

}  // namespace

Erkennung_t recognize(const Stellung_t& pos) {
    const Seite_t& w = pos.sides[White];
    const Seite_t& b = pos.sides[Black];
    switch (w.count[AllPieces] + b.count[AllPieces]) {
        case 3:
            if (w.count[Pawn]) return kingPawnKing(pos, White);
            if (b.count[Pawn]) return kingPawnKing(pos, Black);
            if (w.count[Knight] || w.count[Bishop] || b.count[Knight] || b.count[Bishop]) return {E_t::Replace, 0};
            return pawnless(pos);
        case 4:
            return fourPieces(pos);
        case 5:
            if (w.count[Pawn] == 1) return fivePiecesOnePawn(pos, White);
            if (b.count[Pawn] == 1) return fivePiecesOnePawn(pos, Black);
            if (w.count[Rook] == 1 && b.count[Rook] == 1 && minors(w) + minors(b) == 1)
                return rookMinorAgainstRook(pos, minors(w) ? White : Black);
            return pawnless(pos);
        case 6:
            if (w.count[Pawn] == 1) return sixPiecesOnePawn(pos, White);
            if (b.count[Pawn] == 1) return sixPiecesOnePawn(pos, Black);
            return pawnless(pos);
        case 0:
        case 1:
        case 2:
            return pawnless(pos);
        default:
            return NoOpinion;
    }
}

}  // namespace tolvaren
