// The engine's own verdict on an XBoard game: when it offers a draw and when it
// resigns, judged from the scores of its last few moves. XBoard leaves both to the
// engine; the UCI side knows neither. Used by XBoardInterface_t.
#pragma once

#include <cstdint>

namespace tolvaren {

class XBoardVerdict_t {
   public:
    static constexpr int ScoreHistory = 4;
    // The "Resign" value assumed when the option is missing: so large that only the floor counts.
    static constexpr int32_t ResignAbsent = 450000;

    // A new game, or moves taken back: the scores no longer describe the game.
    void reset() { *this = XBoardVerdict_t{}; }
    // The opponent offered a draw: the next verdict answers it.
    void opponentOffers() { opponentOffered_ = true; }

    // Called once per engine move before it is played: records `score` (the move's
    // search score, taken only when the engine had a choice among `legalMoves`) and
    // tells whether to offer a draw with the move. Unprompted offers come only every
    // so many moves; an opponent's offer is answered at once and on a lower bar.
    bool offerDraw(int color, int legalMoves, int32_t score, int halfMovesPlayed);
    // After the engine's move: whether to resign, `resignSetting` being the "Resign"
    // option's value. Every recorded score must be lost and the last no better than before.
    bool resign(int64_t resignSetting) const;

   private:
    int32_t scores_[ScoreHistory] = {};  // most recent first
    int count_ = 0;
    int movesSinceOffer_ = 0;
    bool opponentOffered_ = false;
    int color_ = -1;  // the engine's colour when the scores were taken
};

}  // namespace tolvaren
