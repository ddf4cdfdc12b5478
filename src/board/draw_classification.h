// Draws that the rules decide without a mate or stalemate: repetition, material
// that cannot mate, and the fifty-move rule. The XBoard adapter asks this after
// every move of its game to announce the result.
#pragma once

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// Codes, in the order they are tested.
constexpr int DrawNone = 0;
constexpr int DrawRepetition = 3;    // current position seen at least twice before
constexpr int DrawNoMaterial = 10;   // kings with at most one minor piece
constexpr int DrawDeadBishops = 20;  // only bishops, all on squares of one colour
constexpr int DrawFiftyMoves = 50;   // a hundred half-moves without capture or pawn move

// Classifies the position of a game kept with playPermanent; `state` is its own
// state record. Meant for positions where the side to move has a legal move.
int classifyDraw(const Stellung_t& pos, const Zustand_t& state);

}  // namespace tolvaren
