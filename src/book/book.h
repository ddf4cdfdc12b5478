// The opening book (`Buch_t`): a text tree of weighted moves read once into an array
// of (position key, weight, move) entries sorted by key, and the probe that draws a
// move in proportion to its weight. The search driver asks it at the start of a search.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "board/move.h"

namespace tolvaren {

struct Stellung_t;
struct Zustand_t;

// Rows of both squares mirrored: a move of Black as White would play it on the colour flip.
constexpr uint32_t MirrorMoveMask = 0xE38;

// One book move. Positions are keyed from White's view (the colour flip's key when
// Black is to move) and moves written for White, so a line and its mirror share entries.
struct Bucheintrag_t {
    uint64_t key;
    int32_t weight;  // at least 1
    uint32_t move;   // Zug_t, XOR MirrorMoveMask when Black is to move
};
static_assert(sizeof(Bucheintrag_t) == 16);

// Key of the position as White would see it: its own when White is to move, else
// the key of its colour flip.
uint64_t whiteViewKey(const Stellung_t& pos, const Zustand_t& state);

class Buch_t {
public:
    // Reads the named file, replacing the entries; the name is kept even when reading
    // fails. Any error leaves the book empty. Returns whether the file was read.
    bool load(std::string_view fileName);

    // Looks the position up, reloading first when fileName is not the one last given
    // (a file that failed is not read again until another name comes). Draws the move
    // with the process-wide generator; `ponder` (if given) receives the heaviest book
    // reply to it, or 0. Both are moves of the probed position's game.
    bool probe(std::string_view fileName, const Stellung_t& pos, Zug_t& move, Zug_t* ponder);

    // The probe's work for a given random number, without the file name check.
    bool choose(const Stellung_t& pos, uint32_t randomValue, Zug_t& move, Zug_t* ponder) const;

    // The entries of one key, heaviest first; empty when the key has none.
    std::pair<const Bucheintrag_t*, const Bucheintrag_t*> entriesOf(uint64_t key) const;

    const std::vector<Bucheintrag_t>& entries() const { return entries_; }
    const std::string& fileName() const { return fileName_; }

private:
    bool pick(const Stellung_t& pos, const Zustand_t& state, const Bucheintrag_t* first,
              const Bucheintrag_t* last, uint32_t randomValue, Zug_t& move, Zug_t* ponder) const;
    Zug_t ponderAfter(const Stellung_t& pos, const Zustand_t& state, Zug_t bookMove) const;

    std::vector<Bucheintrag_t> entries_;
    std::string fileName_;
};

// Reads a book file into `entries` (unsorted, in file order). False on any error, with
// `entries` then empty.
bool readBookFile(const char* path, std::vector<Bucheintrag_t>& entries);

// Longest line of a book file, in moves: deeper nesting is an error, which keeps the
// reader's memory bounded whatever the file.
constexpr int MaxBookLine = 10000;

}  // namespace tolvaren
