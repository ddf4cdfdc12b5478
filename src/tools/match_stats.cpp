#include "tools/match_stats.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace tolvaren {

namespace {

constexpr double Z95 = 1.959963984540054;

double eloFromScore(double score) {
    if (score <= 0) return -std::numeric_limits<double>::infinity();
    if (score >= 1) return std::numeric_limits<double>::infinity();
    return -400.0 * std::log10(1.0 / score - 1.0) + 0.0;  // no "-0.0" at an even score
}

double scoreFromElo(double elo) {
    return 1.0 / (1.0 + std::pow(10.0, -elo / 400.0));
}

// Mean and variance per sample: of pair scores (0, 1/4, .., 1) when pairs exist,
// else of single game results.
struct Sample {
    double n = 0, mean = 0.5, variance = 0;
};

Sample sampleOf(const MatchCounts& c) {
    Sample s;
    if (c.pairCount() > 0) {
        s.n = static_cast<double>(c.pairCount());
        double sum = 0, squares = 0;
        for (int k = 0; k < 5; ++k) {
            sum += c.pairs[k] * (k / 4.0);
            squares += c.pairs[k] * (k / 4.0) * (k / 4.0);
        }
        s.mean = sum / s.n;
        s.variance = squares / s.n - s.mean * s.mean;
    } else if (c.games() > 0) {
        s.n = static_cast<double>(c.games());
        s.mean = (c.wins + 0.5 * c.draws) / s.n;
        s.variance = (c.wins * std::pow(1 - s.mean, 2) + c.losses * s.mean * s.mean +
                      c.draws * std::pow(0.5 - s.mean, 2)) /
                     s.n;
    }
    if (s.variance < 0) s.variance = 0;  // rounding of the difference above
    return s;
}

const char* verdictText(SprtVerdict v) {
    return v == SprtVerdict::H0 ? "H0 accepted" : v == SprtVerdict::H1 ? "H1 accepted" : "continue";
}

}  // namespace

MatchFigures matchFigures(const MatchCounts& c) {
    MatchFigures f;
    const int64_t games = c.games();
    if (games == 0) return f;
    f.score = (c.wins + 0.5 * c.draws) / static_cast<double>(games);
    f.elo = eloFromScore(f.score);
    f.drawRatio = static_cast<double>(c.draws) / static_cast<double>(games);
    const Sample s = sampleOf(c);
    const double delta = Z95 * std::sqrt(s.variance / s.n);
    f.eloError = (eloFromScore(f.score + delta) - eloFromScore(f.score - delta)) / 2;
    return f;
}

double SprtBounds::lower() const {
    return std::log(beta / (1 - alpha));
}
double SprtBounds::upper() const {
    return std::log((1 - beta) / alpha);
}

double sprtLlr(const MatchCounts& counts, const SprtBounds& b) {
    const Sample s = sampleOf(counts);
    if (s.variance <= 0) return 0;
    const double s0 = scoreFromElo(b.elo0), s1 = scoreFromElo(b.elo1);
    return s.n * (s1 - s0) * (2 * s.mean - s0 - s1) / (2 * s.variance);
}

SprtVerdict sprtVerdict(double llr, const SprtBounds& b) {
    if (llr >= b.upper()) return SprtVerdict::H1;
    if (llr <= b.lower()) return SprtVerdict::H0;
    return SprtVerdict::Continue;
}

std::string formatMatchSummary(const MatchSummary& m) {
    std::string out;
    char line[512];
    const MatchCounts& c = m.counts;
    std::snprintf(line, sizeof line, "Score of %s vs %s: %lld - %lld - %lld  [%.3f] %lld\n", m.nameA.c_str(),
                  m.nameB.c_str(), static_cast<long long>(c.wins), static_cast<long long>(c.losses),
                  static_cast<long long>(c.draws), m.figures.score, static_cast<long long>(c.games()));
    out += line;
    std::snprintf(line, sizeof line, "Elo difference: %+.1f +/- %.1f, draws %.1f %%\n", m.figures.elo,
                  m.figures.eloError, 100 * m.figures.drawRatio);
    out += line;
    if (m.sprt) {
        std::snprintf(line, sizeof line, "SPRT: llr %.2f (%.2f, %.2f) elo0=%g elo1=%g: %s\n", m.llr,
                      m.bounds.lower(), m.bounds.upper(), m.bounds.elo0, m.bounds.elo1,
                      verdictText(m.verdict));
        out += line;
    }
    for (int i = 0; i < 2; ++i) {
        const EngineFaults& f = i ? m.faultsB : m.faultsA;
        std::snprintf(line, sizeof line, "Faults %s: illegal %lld, crash %lld, time %lld\n",
                      (i ? m.nameB : m.nameA).c_str(), static_cast<long long>(f.illegal),
                      static_cast<long long>(f.crash), static_cast<long long>(f.time));
        out += line;
    }
    auto clock = [](double s) {
        char text[32] = "-";
        if (s >= 0) std::snprintf(text, sizeof text, "%.2f", s);
        return std::string(text);
    };
    out += "Clock left after move 40 (median s): " + m.nameA + " " + clock(m.clockA) + ", " + m.nameB + " " +
           clock(m.clockB) + "\n";
    return out;
}

namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view l = text.substr(0, end);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        lines.push_back(l);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// The text after "<prefix><name>: ", or no value.
std::optional<std::string> afterName(std::string_view line, std::string_view prefix,
                                     const std::string& name) {
    const std::string head = std::string(prefix) + name + ": ";
    if (!startsWith(line, head)) return std::nullopt;
    return std::string(line.substr(head.size()));
}

bool readClock(const std::string& text, double& out) {
    if (text == "-") return out = -1, true;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == 0;
}

}  // namespace

std::optional<MatchSummary> parseMatchSummary(std::string_view text) {
    const std::vector<std::string_view> lines = splitLines(text);
    size_t i = lines.size();
    while (i > 0 && !startsWith(lines[i - 1], "Score of ")) --i;
    if (i == 0) return std::nullopt;
    size_t at = i - 1;
    auto next = [&]() -> std::string { return at < lines.size() ? std::string(lines[at++]) : std::string(); };

    MatchSummary m;
    std::string line = next();
    const size_t vs = line.find(" vs ");
    const size_t colon = vs == std::string::npos ? vs : line.find(": ", vs + 4);
    if (colon == std::string::npos) return std::nullopt;
    m.nameA = line.substr(9, vs - 9);
    m.nameB = line.substr(vs + 4, colon - vs - 4);
    long long w, l, d, n;
    if (std::sscanf(line.c_str() + colon + 2, "%lld - %lld - %lld [%lf] %lld", &w, &l, &d, &m.figures.score,
                    &n) != 5 ||
        w + l + d != n)
        return std::nullopt;
    m.counts.wins = w, m.counts.losses = l, m.counts.draws = d;

    line = next();
    if (std::sscanf(line.c_str(), "Elo difference: %lf +/- %lf, draws %lf %%", &m.figures.elo,
                    &m.figures.eloError, &m.figures.drawRatio) != 3)
        return std::nullopt;
    m.figures.drawRatio /= 100;

    line = next();
    if (startsWith(line, "SPRT: ")) {
        double lower, upper;
        char verdict[16] = {};
        if (std::sscanf(line.c_str(), "SPRT: llr %lf (%lf, %lf) elo0=%lf elo1=%lf: %15[^\n]", &m.llr, &lower,
                        &upper, &m.bounds.elo0, &m.bounds.elo1, verdict) != 6)
            return std::nullopt;
        const std::string v = verdict;
        m.verdict = v == "H0 accepted"   ? SprtVerdict::H0
                    : v == "H1 accepted" ? SprtVerdict::H1
                                         : SprtVerdict::Continue;
        if (m.verdict == SprtVerdict::Continue && v != "continue") return std::nullopt;
        // Only the bounds were printed: recover alpha and beta from them.
        const double eu = std::exp(upper), el = std::exp(lower);
        m.bounds.alpha = (1 - el) / (eu - el);
        m.bounds.beta = el * (eu - 1) / (eu - el);
        m.sprt = true;
        line = next();
    }
    for (int k = 0; k < 2; ++k) {
        const auto rest = afterName(line, "Faults ", k ? m.nameB : m.nameA);
        EngineFaults& f = k ? m.faultsB : m.faultsA;
        long long a, b, c;
        if (!rest || std::sscanf(rest->c_str(), "illegal %lld, crash %lld, time %lld", &a, &b, &c) != 3)
            return std::nullopt;
        f.illegal = a, f.crash = b, f.time = c;
        line = next();
    }
    const auto clocks = afterName(line, "Clock left after move 40 (median s)", "");
    if (!clocks) return std::nullopt;
    const std::string headA = m.nameA + " ", sep = ", " + m.nameB + " ";
    const size_t s = clocks->find(sep);
    if (!startsWith(*clocks, headA) || s == std::string::npos ||
        !readClock(clocks->substr(headA.size(), s - headA.size()), m.clockA) ||
        !readClock(clocks->substr(s + sep.size()), m.clockB))
        return std::nullopt;
    return m;
}

}  // namespace tolvaren
