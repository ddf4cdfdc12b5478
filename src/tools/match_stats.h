// Figures of an engine match: score, Elo difference with its 95 % interval, draw ratio
// and the sequential test (SPRT) on them, plus the match manager's closing summary
// block as text, written and read back here so that scripts can parse a finished run.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvaren {

// Results from the first engine's view. `pairs[k]` counts completed game pairs (one
// opening, colours swapped) in which it scored k half points (0..4).
struct MatchCounts {
    int64_t wins = 0, losses = 0, draws = 0;
    std::array<int64_t, 5> pairs{};

    int64_t games() const { return wins + losses + draws; }
    int64_t pairCount() const { return pairs[0] + pairs[1] + pairs[2] + pairs[3] + pairs[4]; }
};

struct MatchFigures {
    double score = 0.5;    // points per game, 0..1
    double elo = 0;        // logistic Elo difference; +-infinity at a score of 1 or 0
    double eloError = 0;   // half width of the 95 % interval, in Elo
    double drawRatio = 0;  // 0..1
};

// The interval uses the variance of game pairs when there are completed pairs
// (openings played with both colours are correlated), else that of single games.
MatchFigures matchFigures(const MatchCounts& counts);

struct SprtBounds {
    double elo0 = 0, elo1 = 10, alpha = 0.05, beta = 0.05;
    double lower() const;  // log(beta / (1 - alpha)): below it H0 is accepted
    double upper() const;  // log((1 - beta) / alpha): above it H1 is accepted
};

// Log-likelihood ratio of H1 (Elo = elo1) against H0 (Elo = elo0) in the plain logistic
// model, by the normal approximation of the generalised SPRT: with mean score s and
// variance v per sample (pair, or game without pairs) over n samples,
// llr = n (s1 - s0) (2 s - s0 - s1) / (2 v). 0 while the variance is 0.
double sprtLlr(const MatchCounts& counts, const SprtBounds& bounds);

enum class SprtVerdict { Continue, H0, H1 };
SprtVerdict sprtVerdict(double llr, const SprtBounds& bounds);

struct EngineFaults {
    int64_t illegal = 0, crash = 0, time = 0;
};

// Everything the closing block states; also what parseMatchSummary returns.
struct MatchSummary {
    std::string nameA, nameB;
    MatchCounts counts;  // only W/L/D are printed and read back
    MatchFigures figures;
    bool sprt = false;
    SprtBounds bounds;
    double llr = 0;
    SprtVerdict verdict = SprtVerdict::Continue;
    EngineFaults faultsA, faultsB;
    double clockA = -1, clockB = -1;  // median seconds left after move 40; -1: no game got there
};

// The closing block, one fact per line, ending in a newline.
std::string formatMatchSummary(const MatchSummary& summary);

// Reads the last closing block in `text` (a whole run's output may precede it); no
// value when a line is missing or malformed. Figures are read as printed (rounded).
std::optional<MatchSummary> parseMatchSummary(std::string_view text);

}  // namespace tolvaren
