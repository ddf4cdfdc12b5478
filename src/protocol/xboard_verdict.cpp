#include "protocol/xboard_verdict.h"

#include <algorithm>

namespace tolvaren {

namespace {

constexpr int32_t DrawScoreMax = 1;
constexpr int32_t DrawScoreMinOffered = -500000;
constexpr int32_t DrawScoreMin = -1;
constexpr int OfferInterval = 20;  // engine moves between unprompted draw offers
constexpr int32_t ResignFloor = -20000;

}  // namespace

bool XBoardVerdict_t::offerDraw(int color, int legalMoves, int32_t score, int halfMovesPlayed) {
    if (color != color_) {
        color_ = color;
        count_ = 0;
        movesSinceOffer_ = 0;
    }
    if (legalMoves > 1) {
        std::copy_backward(scores_, scores_ + ScoreHistory - 1, scores_ + ScoreHistory);
        scores_[0] = score;
        count_ = std::min(count_ + 1, ScoreHistory);
    }
    ++movesSinceOffer_;
    if (opponentOffered_ && movesSinceOffer_ < halfMovesPlayed) movesSinceOffer_ = halfMovesPlayed;
    if (!(movesSinceOffer_ > OfferInterval || opponentOffered_) || count_ < ScoreHistory) return false;
    const int32_t low = opponentOffered_ ? DrawScoreMinOffered : DrawScoreMin;
    opponentOffered_ = false;
    for (int i = 0; i < 3; ++i)
        if (scores_[i] < low || scores_[i] > DrawScoreMax) return false;
    movesSinceOffer_ = 0;
    return true;
}

bool XBoardVerdict_t::resign(int64_t resignSetting) const {
    if (count_ < ScoreHistory) return false;
    const int64_t threshold = std::max<int64_t>(-10 * resignSetting, ResignFloor);
    for (int32_t s : scores_)
        if (s > threshold) return false;
    return scores_[0] <= scores_[1];
}

}  // namespace tolvaren
