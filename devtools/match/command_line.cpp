#include "match/command_line.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace tolvaren::match {

namespace {

const char* const HelpText =
    R"(Usage: tolvaren-match --engine ENGINE --engine ENGINE [settings]

Engine ENGINE (words up to the next --switch):
  name=NAME        shown in output and PGN (default: the command's file name)
  cmd=PATH         the UCI engine to start (searched in PATH)
  arg=WORD, WORD   arguments for the engine
  option.N=V       sent as "setoption name N value V" before the first game

Settings:
  --tc TC          10+0.1 (seconds + increment; also 1:30+1), 40/20 (moves/seconds,
                   one period after another) or st=0.2 (fixed seconds per move). Default 10+0.1
  --games N        games to play (default 100); each opening is played twice, colours swapped
  --concurrency N  games at once (default 1); each runs its own pair of engine processes
  --openings FILE  PGN file of opening lines, taken in random order (default: the repository's
                   book/openings.pgn, which the build puts beside this program; none: every
                   game from the start position)
  --plies N        opening plies used from each line (default 16; shorter lines whole)
  --seed N         order of the openings (default 1; 0 = from the clock)
  --pgnout FILE    append every game to FILE
  --sprt elo0=0 elo1=10 alpha=0.05 beta=0.05
                   stop once the sequential test accepts a hypothesis
  --resign score=CP moves=N   loss when for N moves the loser's engine reports <= -CP and
                   the winner's >= +CP (mate scores count as large)
  --draw movenumber=M moves=N score=CP   draw from move M on when both engines reported
                   |score| <= CP for their last N moves
  --timemargin MS  allowance past the clock before a loss on time (default 0; with st=
                   100, as engines treat a fixed move time as a target, not a limit)
  --ratinginterval N  running score every N games (default 10)

A move arriving after the clock (or the fixed move time) plus the margin loses on time;
an engine that still has not answered 5 s later is killed and restarted. An engine that
dies loses the game (crash) and is restarted. An illegal or unreadable move loses.
The closing block is read by scripts (parseMatchSummary in the core library).
)";

bool readNumber(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == 0 && std::isfinite(out);
}

// Seconds, or minutes:seconds.
bool readSeconds(const std::string& text, double& out) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return readNumber(text, out) && out >= 0;
    double minutes, seconds;
    if (!readNumber(text.substr(0, colon), minutes) || !readNumber(text.substr(colon + 1), seconds))
        return false;
    out = minutes * 60 + seconds;
    return out >= 0;
}

int64_t toMs(double seconds) {
    return static_cast<int64_t>(std::llround(seconds * 1000));
}

// key=value words after a switch; false on an unknown key or a bad number.
bool readPairs(const std::vector<std::string>& words, const std::map<std::string, double*>& keys) {
    for (const std::string& w : words) {
        const size_t eq = w.find('=');
        const auto it = eq == std::string::npos ? keys.end() : keys.find(w.substr(0, eq));
        if (it == keys.end() || !readNumber(w.substr(eq + 1), *it->second)) return false;
    }
    return true;
}

bool parseEngine(const std::vector<std::string>& words, EngineSetup& e) {
    for (const std::string& w : words) {
        if (w.rfind("name=", 0) == 0)
            e.name = w.substr(5);
        else if (w.rfind("cmd=", 0) == 0)
            e.cmd = w.substr(4);
        else if (w.rfind("arg=", 0) == 0)
            e.args.push_back(w.substr(4));
        else if (w.rfind("option.", 0) == 0 && w.find('=') != std::string::npos) {
            const size_t eq = w.find('=');
            e.options.emplace_back(w.substr(7, eq - 7), w.substr(eq + 1));
        } else
            e.args.push_back(w);
    }
    if (e.cmd.empty()) return false;
    if (e.name.empty()) e.name = e.cmd.substr(e.cmd.rfind('/') + 1);
    return true;
}

}  // namespace

std::optional<TimeControl> parseTimeControl(const std::string& text) {
    TimeControl tc;
    double a = 0, b = 0;
    if (text.rfind("st=", 0) == 0) {
        if (!readNumber(text.substr(3), a) || a <= 0) return std::nullopt;
        tc.kind = TimeControl::PerMove;
        tc.moveMs = toMs(a);
        tc.pgnText = text.substr(3) + "/move";
        return tc;
    }
    std::string rest = text;
    if (const size_t slash = text.find('/'); slash != std::string::npos) {
        if (!readNumber(text.substr(0, slash), a) || a < 1 || a != std::floor(a)) return std::nullopt;
        tc.kind = TimeControl::Periods;
        tc.moves = static_cast<int64_t>(a);
        rest = text.substr(slash + 1);
    }
    const size_t plus = rest.find('+');
    if (!readSeconds(rest.substr(0, plus), a)) return std::nullopt;
    b = 0;
    if (plus != std::string::npos && (!readNumber(rest.substr(plus + 1), b) || b < 0)) return std::nullopt;
    if (a <= 0 && b <= 0) return std::nullopt;
    tc.baseMs = toMs(a);
    tc.incMs = toMs(b);
    tc.pgnText = text;
    return tc;
}

std::optional<Settings> parseCommandLine(int argc, char** argv) {
    Settings s;
    int engines = 0;
    for (int i = 1; i < argc;) {
        const std::string flag = argv[i++];
        std::vector<std::string> words;
        while (i < argc && std::strncmp(argv[i], "--", 2) != 0) words.emplace_back(argv[i++]);
        auto one = [&](int64_t& out, int64_t least) {
            double v;
            if (words.size() != 1 || !readNumber(words[0], v) || v < least || v != std::floor(v))
                return false;
            out = static_cast<int64_t>(v);
            return true;
        };
        bool ok = true;
        if (flag == "--help" || flag == "-h") {
            std::fputs(HelpText, stdout);
            std::exit(0);
        } else if (flag == "--engine")
            ok = engines < 2 && parseEngine(words, s.engines[engines++]);
        else if (flag == "--tc") {
            const std::optional<TimeControl> tc =
                words.size() == 1 ? parseTimeControl(words[0]) : std::optional<TimeControl>();
            ok = tc.has_value();
            if (ok) s.tc = *tc;
        } else if (flag == "--games")
            ok = one(s.games, 1);
        else if (flag == "--concurrency")
            ok = one(s.concurrency, 1);
        else if (flag == "--plies")
            ok = one(s.plies, 0);
        else if (flag == "--timemargin")
            ok = one(s.timeMarginMs, 0);
        else if (flag == "--ratinginterval")
            ok = one(s.ratingInterval, 1);
        else if (flag == "--seed") {
            int64_t seed = 0;
            ok = one(seed, 0) && seed <= UINT32_MAX;
            s.seed = static_cast<uint32_t>(seed);
        } else if (flag == "--openings" || flag == "--pgnout") {
            ok = words.size() == 1;
            if (ok) (flag == "--openings" ? s.openings : s.pgnOut) = words[0];
        } else if (flag == "--sprt") {
            SprtBounds& b = s.bounds;
            ok = readPairs(words,
                           {{"elo0", &b.elo0}, {"elo1", &b.elo1}, {"alpha", &b.alpha}, {"beta", &b.beta}}) &&
                 b.elo1 > b.elo0 && b.alpha > 0 && b.alpha < 0.5 && b.beta > 0 && b.beta < 0.5;
            s.sprt = true;
        } else if (flag == "--resign" || flag == "--draw") {
            Adjudication& a = flag == "--resign" ? s.resign : s.draw;
            double score = -1, moves = 0, moveNumber = 0;
            std::map<std::string, double*> keys{{"score", &score}, {"moves", &moves}};
            if (flag == "--draw") keys.emplace("movenumber", &moveNumber);
            ok = readPairs(words, keys) && score >= 0 && moves >= 1;
            a = {true, static_cast<int>(score), static_cast<int>(moves), static_cast<int>(moveNumber)};
        } else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "tolvaren-match: bad or unknown switch %s (see --help)\n", flag.c_str());
            return std::nullopt;
        }
    }
    if (engines != 2) {
        std::fprintf(stderr, "tolvaren-match: two --engine switches with cmd= are needed (see --help)\n");
        return std::nullopt;
    }
    if (s.engines[0].name == s.engines[1].name) s.engines[1].name += "-2";
    // A fixed move time is a target that engines meet only roughly; a clock is a limit.
    if (s.timeMarginMs < 0) s.timeMarginMs = s.tc.kind == TimeControl::PerMove ? 100 : 0;
    return s;
}

}  // namespace tolvaren::match
