#include "protocol/xboard_game.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "board/draw_classification.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"

namespace tolvaren {

std::string XBoardGame_t::moveField(const char* text) {
    std::string field(text);
    field.resize(MoveFieldWidth, ' ');
    return field;
}

void XBoardGame_t::reset() {
    startText_ = "startpos";
    moveText_.clear();
    restartBoard();
}

void XBoardGame_t::restartBoard() {
    stateIndex_ = 0;
    setStartPosition(pos_, states_[0]);
}

bool XBoardGame_t::setUp(const std::string& fen) {
    stateIndex_ = 0;
    moveText_.clear();
    if (readFen(pos_, states_[0], fen)) {
        startText_ = "fen " + fen;
        return true;
    }
    // The game must stay consistent with the start text sent to the engine.
    startText_ = "startpos";
    setStartPosition(pos_, states_[0]);
    return false;
}

bool XBoardGame_t::play(Zug_t move) {
    char text[8];
    writeCoordinate(pos_, move, text);
    if (!playPermanent(pos_, move, states_[stateIndex_], states_[stateIndex_ ^ 1])) return false;
    stateIndex_ ^= 1;
    moveText_ += moveField(text);
    return true;
}

void XBoardGame_t::takeBack(int count) {
    const std::size_t fields = static_cast<std::size_t>(std::max(count, 0)) * MoveFieldWidth;
    moveText_.resize(moveText_.size() - std::min(moveText_.size(), fields));
    replay();
}

void XBoardGame_t::replay() {
    stateIndex_ = 0;
    if (startText_.rfind("fen ", 0) != 0 ||
        !readFen(pos_, states_[0], std::string_view(startText_).substr(4))) {
        startText_ = "startpos";
        setStartPosition(pos_, states_[0]);
    }
    const std::string moves = std::move(moveText_);
    moveText_.clear();
    for (std::size_t i = 0; i + MoveFieldWidth <= moves.size(); i += MoveFieldWidth) {
        const Zug_t move = readCoordinate(pos_, std::string_view(moves).substr(i, MoveFieldWidth));
        // A move that no longer reads ends the game here rather than corrupting it.
        if (move == 0 || !isLegal(pos_, move, state()) || !play(move)) break;
    }
}

const char* XBoardGame_t::result() const {
    int outcome = 0;
    if (gameOver(pos_, state(), &outcome)) {
        if (outcome == 0) return "1/2-1/2 {Stalemate}";
        return pos_.side == Black ? "1-0 {White mates}" : "0-1 {Black mates}";
    }
    switch (classifyDraw(pos_, state())) {
        case DrawRepetition:
            return "1/2-1/2 {Draw by repetition}";
        case DrawNoMaterial:
            return "1/2-1/2 {Insufficient material}";
        case DrawDeadBishops:
            return "1/2-1/2 {Dead position}";
        case DrawFiftyMoves:
            return "1/2-1/2 {Draw by 50 move rule}";
        default:
            return nullptr;
    }
}

}  // namespace tolvaren
