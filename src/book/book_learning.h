// Book learning (`Buchlernen_t`): move statistics gathered from games and analysed
// positions, kept between "book" commands and in the "--book" tool's work file, and
// turned into a book file of weighted moves by writeBook.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "board/move.h"

namespace tolvaren {

// Statistics of one move in one position (48 bytes: the memory file stores them as is,
// little-endian). Counts are in games: a game added with value 1000 counts 1.
struct Lerneintrag_t {
    double games;     // how often the move was played
    double points;    // the mover's score in the scored games: 1 a win, 0.5 a draw
    double scored;    // the part of `games` with a known result (or a search's score)
    double analysed;  // the part of `games` that came from analysed positions
    float value;      // computed by writeBook: 0..100, the mover's expected score in percent
    uint32_t move;    // Zug_t written for White (XOR MirrorMoveMask when Black moves)
    uint8_t written;  // set while writing, so a transposition is written once
    uint8_t reserved[7];
};
static_assert(sizeof(Lerneintrag_t) == 48);

// Plies of a game that are learned, and the deepest a walk over the learned tree goes:
// a corrupt memory file can hold any graph, but never a line deeper than this.
constexpr int MaxLearnPly = 60;

class Buchlernen_t {
   public:
    using Records = std::map<uint64_t, std::vector<Lerneintrag_t>>;

    // Adds the games of a PGN file (errors go to standard error; the reader reads on
    // after a bad game). Each game counts value / 1000; with calcElo the result is
    // corrected by the players' ratings. Returns the number of games learned.
    long addGames(const std::string& fileName, unsigned value, bool calcElo);
    // Adds the lines "<centipawns> <move> <FEN>" of a file (makepos writes them); a
    // position already added once is skipped. Returns the number of positions learned.
    long addPositions(const std::string& fileName, unsigned value);

    // The memory file. A failed read leaves the object unchanged and says so on
    // standard error; a write goes to a temporary name that is renamed when complete.
    bool readMemory(const std::string& fileName);
    bool writeMemory(const std::string& fileName) const;

    // Computes the values over the tree from the start position and writes the moves
    // played in at least thresholdMilli / 1000 games, weighted by how far their value is
    // from the best (width: the value distance that gives weight 0). False, with the
    // message on standard error, when the file cannot be opened.
    bool writeBook(const std::string& fileName, int thresholdMilli, int width);

    // Adds one observation (a game or an analysed position) of a move; the key and
    // the move are in White's view. `points` are counted only when `scored`.
    void learn(uint64_t key, uint32_t move, double games, double points, bool scored, bool analysed);

    const Records& records() const { return records_; }
    size_t recordCount() const;
    const std::set<uint64_t>& analysedKeys() const { return keys_; }
    bool locked() const { return lock_ != 0; }
    void setLocked(bool on) { lock_ = on ? 1 : 0; }
    double threshold() const { return threshold_; }
    double prior() const { return prior_; }

   private:
    Records records_;
    std::set<uint64_t> keys_;  // positions added by addPositions
    uint8_t lock_ = 0;
    double threshold_ = 1.0;  // minimum games of a written move, set by writeBook
    double prior_ = 1.0;      // games of a neutral score mixed into every value, set by writeBook
};

// The weight a move of `value` gets when the best move of its position has `best`.
int bookWeight(double value, double best, double width);

}  // namespace tolvaren
