#include "match/tally.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tolvaren::match {

namespace {

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

}  // namespace

Tally::Tally(const Settings& s) {
    summary_.nameA = s.engines[0].name, summary_.nameB = s.engines[1].name;
    summary_.sprt = s.sprt, summary_.bounds = s.bounds;
}

void Tally::add(int64_t n, const GameRecord& g, int whiteEngine) {
    MatchCounts& c = summary_.counts;
    const double scoreA = g.result == 0 ? 0.5 : (g.result > 0) == (whiteEngine == 0) ? 1.0 : 0.0;
    (scoreA == 1 ? c.wins : scoreA == 0 ? c.losses : c.draws)++;
    if (const auto other = pairScore_.find(n / 2); other != pairScore_.end()) {
        ++c.pairs[static_cast<size_t>(std::lround((other->second + scoreA) * 2))];
        pairScore_.erase(other);
    } else
        pairScore_[n / 2] = scoreA;
    if (g.fault != Fault::None) {
        EngineFaults& f = g.faultEngine == 0 ? summary_.faultsA : summary_.faultsB;
        (g.fault == Fault::Illegal ? f.illegal : g.fault == Fault::Crash ? f.crash : f.time)++;
    }
    for (int e = 0; e < 2; ++e) {
        if (g.clock40[e] >= 0) clocks_[e].push_back(g.clock40[e]);
        depthSum_[e] += g.depthSum[e], depthCount_[e] += g.depthCount[e];
        npsSum_[e] += g.npsSum[e], npsCount_[e] += g.npsCount[e];
        worstOverMs_[e] = std::max(worstOverMs_[e], g.worstOverMs[e]);
    }
}

void Tally::printRunningScore() const {
    const MatchCounts& c = summary_.counts;
    const MatchFigures f = matchFigures(c);
    std::printf("Score of %s vs %s: %lld - %lld - %lld  [%.3f] %lld, Elo %+.1f +/- %.1f\n",
                summary_.nameA.c_str(), summary_.nameB.c_str(), static_cast<long long>(c.wins),
                static_cast<long long>(c.losses), static_cast<long long>(c.draws), f.score,
                static_cast<long long>(c.games()), f.elo, f.eloError);
}

bool Tally::sprtDecided() const {
    return summary_.sprt &&
           sprtVerdict(sprtLlr(summary_.counts, summary_.bounds), summary_.bounds) != SprtVerdict::Continue;
}

void Tally::printClosing(double seconds, int64_t concurrency) {
    MatchSummary& m = summary_;
    m.figures = matchFigures(m.counts);
    m.llr = sprtLlr(m.counts, m.bounds);
    m.verdict = sprtVerdict(m.llr, m.bounds);
    m.clockA = median(clocks_[0]), m.clockB = median(clocks_[1]);
    std::printf("\n");
    // The tightest move shows how much margin an engine keeps (above 0: over its time).
    for (int e = 0; e < 2; ++e)
        std::printf("%s: average depth %.1f, nps %.0f, tightest move %+lld ms against its limit\n",
                    (e ? m.nameB : m.nameA).c_str(), depthCount_[e] ? depthSum_[e] / depthCount_[e] : 0.0,
                    npsCount_[e] ? npsSum_[e] / npsCount_[e] : 0.0,
                    static_cast<long long>(worstOverMs_[e] == INT64_MIN ? 0 : worstOverMs_[e]));
    std::printf("%lld games in %.0f s (%.1f s per game at concurrency %lld)\n",
                static_cast<long long>(m.counts.games()), seconds,
                m.counts.games() ? seconds * concurrency / m.counts.games() : 0.0,
                static_cast<long long>(concurrency));
    std::fputs(formatMatchSummary(m).c_str(), stdout);
}

}  // namespace tolvaren::match
