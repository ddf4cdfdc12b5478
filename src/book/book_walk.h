// Walks over a loaded book (`Buch_t`) from the start position: how likely each
// position is to be reached when the book is played against itself, the book's
// entropy, and its end positions. The "book" commands and the "--book" tool use them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <unordered_map>
#include <vector>

namespace tolvaren {

class Buch_t;

// Deepest line a walk follows; deeper book lines are cut there, which bounds the
// walk's stack whatever the file holds.
constexpr int MaxWalkDepth = 1000;

// Position key (White's view) to the probability of reaching it.
using ReachMap = std::unordered_map<uint64_t, double>;

ReachMap reachProbabilities(const Buch_t& book);

// -sum P log2 P over the reached positions; 0 for an empty book (never -0).
double bookEntropy(const Buch_t& book);

struct EndPosition {
    double probability;
    std::string fen;  // as seen from White: the colour flip when Black is to move
};

// The positions whose every book move leads out of the book, each once, in walk order.
std::vector<EndPosition> endPositions(const Buch_t& book);

// Writes "<probability> <FEN>" lines; false when the file cannot be written.
bool writeEndPositions(const Buch_t& book, const std::string& fileName);

}  // namespace tolvaren
