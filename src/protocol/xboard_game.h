// The XBoard adapter's record of the game: where it started, every move played as
// the text the "position" command sends, and the board with its key history that
// the moves lead to. Taking moves back replays the record from its start, so the
// repetition history always matches the moves that remain. Used by XBoardInterface_t.
#pragma once

#include <string>

#include "board/move.h"
#include "board/position.h"

namespace tolvaren {

class XBoardGame_t {
   public:
    static constexpr int MoveFieldWidth = 6;  // each move of the move text, blank-padded

    XBoardGame_t() { reset(); }

    // The standard start position, no moves.
    void reset();
    // The board back to the start position with the start and the moves left as they
    // were: the handshake has always done this; a game begins after it.
    void restartBoard();
    // Starts from the FEN, no moves; false (and the standard start) when it does not read.
    bool setUp(const std::string& fen);
    // Plays a legal move and appends it to the move text; false if it could not be made.
    bool play(Zug_t move);
    // Takes back up to `count` moves (all when fewer were played).
    void takeBack(int count);

    // The result line when the game is over (mate, stalemate, a draw by rule), else nullptr.
    const char* result() const;

    const Stellung_t& position() const { return pos_; }
    const Zustand_t& state() const { return states_[stateIndex_]; }
    // "startpos" or "fen " + FEN: the start as the "position" command names it.
    const std::string& startText() const { return startText_; }
    // Every move, padded to MoveFieldWidth.
    const std::string& moveText() const { return moveText_; }
    int halfMovesPlayed() const { return static_cast<int>(moveText_.size() / MoveFieldWidth); }

    // A move's text padded to MoveFieldWidth, as it stands in the move text.
    static std::string moveField(const char* text);

   private:
    void replay();  // the board from the start text and the moves that still read

    Stellung_t pos_;
    Zustand_t states_[2];
    int stateIndex_ = 0;
    std::string startText_ = "startpos";
    std::string moveText_;
};

}  // namespace tolvaren
