// The match manager: plays UCI engines against each other for strength testing, with
// openings from a PGN file played with both colours, a strict clock, fault counting,
// optional adjudication and SPRT, and a closing block that scripts can parse.
// Run `tolvaren-match --help` for the command line.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "board/data_path.h"
#include "board/draw_classification.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "board/random.h"
#include "pgn/pgn_reader.h"
#include "pgn/san_writer.h"
#include "tools/match_stats.h"

extern char** environ;

using namespace tolvaren;

namespace {

using Clock = std::chrono::steady_clock;

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

std::atomic<bool> stopRequested{false};

void onSignal(int) {
    stopRequested = true;
}

// ---------------------------------------------------------------- settings

struct EngineSetup {
    std::string name, cmd;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> options;
};

struct TimeControl {
    enum Kind { Increment, Periods, PerMove } kind = Increment;
    int64_t baseMs = 10000, incMs = 100, moves = 0, moveMs = 0;
    std::string pgnText = "10+0.1";
};

struct Adjudication {
    bool on = false;
    int score = 0, moves = 0, moveNumber = 0;
};

struct Settings {
    EngineSetup engines[2];
    TimeControl tc;
    int64_t games = 100, concurrency = 1, plies = 16, timeMarginMs = -1, ratingInterval = 10;
    uint32_t seed = 1;
    std::string openings, pgnOut;
    bool sprt = false;
    SprtBounds bounds;
    Adjudication resign, draw;
};

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
            int64_t seed;
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

// ---------------------------------------------------------------- engine process

// One UCI engine as a child process in its own process group (so that Ctrl-C reaches
// only the manager), talked to through pipes; every read has a deadline.
class EngineProcess {
   public:
    enum class Read { Line, Timeout, Closed };

    ~EngineProcess() { kill(); }

    // Starts the engine and runs the handshake; false (engine killed) on any failure.
    bool start(const EngineSetup& setup) {
        kill();
        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0) return false;
        if (pipe2(fromChild, O_CLOEXEC) != 0) {
            close(toChild[0]), close(toChild[1]);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        std::vector<char*> argv{const_cast<char*>(setup.cmd.c_str())};
        for (const std::string& a : setup.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int error = posix_spawnp(&pid_, setup.cmd.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        close(toChild[0]), close(fromChild[1]);
        in_ = toChild[1], out_ = fromChild[0];
        if (error != 0) {
            pid_ = -1;
            kill();
            return false;
        }
        bool ok = send("uci") && waitFor("uciok", 10000);
        for (const auto& [name, value] : setup.options)
            ok = ok && send("setoption name " + name + " value " + value);
        if (!(ok && isReady(10000))) kill();
        return alive();
    }

    bool alive() const { return pid_ > 0; }

    bool send(const std::string& line) {
        if (in_ < 0) return false;
        const std::string text = line + "\n";
        for (size_t done = 0; done < text.size();) {
            const ssize_t n = write(in_, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    Read readLine(std::string& line, Clock::time_point deadline) {
        for (;;) {
            if (const size_t nl = buffer_.find('\n'); nl != std::string::npos) {
                line = buffer_.substr(0, nl);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                buffer_.erase(0, nl + 1);
                return Read::Line;
            }
            if (out_ < 0) return Read::Closed;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return Read::Timeout;
            pollfd p{out_, POLLIN, 0};
            const int r = poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1000)));
            if (r < 0 && errno != EINTR) return Read::Closed;
            if (r <= 0) continue;
            char chunk[4096];
            const ssize_t n = read(out_, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return Read::Closed;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    bool waitFor(const std::string& word, int ms) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        std::string line;
        while (readLine(line, deadline) == Read::Line)
            if (line == word || line.rfind(word + " ", 0) == 0) return true;
        return false;
    }

    bool isReady(int ms) { return send("isready") && waitFor("readyok", ms); }

    // Asks the engine to quit, and kills it if it has not within a second.
    void quit() {
        if (!alive()) return;
        send("quit");
        for (int i = 0; i < 100 && alive(); ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_)
                pid_ = -1;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill();
    }

    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
        if (in_ >= 0) close(in_);
        if (out_ >= 0) close(out_);
        in_ = out_ = -1;
        buffer_.clear();
    }

   private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string buffer_;
};

// ---------------------------------------------------------------- openings

struct Opening {
    std::string name, fen;  // fen empty: the standard start position
    Stellung_t start;
    Zustand_t startState;
    std::vector<Zug_t> moves;
};

// The shipped lines beside the program (or in its installed tree), not a file that
// happens to lie in the working directory.
std::string defaultOpenings() {
    const std::vector<std::string> places = dataCandidates("openings.pgn");
    for (std::size_t i = 1; i < places.size(); ++i)
        if (std::FILE* f = std::fopen(places[i].c_str(), "rb")) {
            std::fclose(f);
            return places[i];
        }
    std::fprintf(stderr,
                 "tolvaren-match: no openings.pgn beside the program: games start from the start position\n");
    return "none";
}

std::vector<Opening> readOpenings(const std::string& file, int64_t plies) {
    std::vector<Opening> lines;
    if (file == "none") {
        Opening o;
        setStartPosition(o.start, o.startState);
        lines.push_back(o);
        return lines;
    }
    PgnLeser_t reader;
    if (!reader.open(file)) return lines;
    auto game = std::make_unique<Partie_t>();
    int64_t skipped = 0;
    while (!reader.atEnd()) {
        // Lines with an illegal or unreadable move are reported by the reader and skipped.
        if (!reader.readGame(*game)) {
            if (!reader.atEnd()) ++skipped, reader.skipToNextGame();
            continue;
        }
        Opening o;
        const auto event = game->tags.find("Event");
        if (event != game->tags.end()) o.name = event->second;
        const auto fen = game->tags.find("FEN");
        if (fen != game->tags.end()) o.fen = fen->second;
        o.start = game->start, o.startState = game->startState;
        o.moves.assign(
            game->moves.begin(),
            game->moves.begin() + std::min<int64_t>(plies, static_cast<int64_t>(game->moves.size())));
        lines.push_back(std::move(o));
    }
    if (skipped)
        std::fprintf(stderr, "tolvaren-match: %lld opening lines skipped\n", static_cast<long long>(skipped));
    return lines;
}

// ---------------------------------------------------------------- one game

enum class Fault { None, Illegal, Crash, Time };

struct GameRecord {
    bool aborted = false;
    int result = 0;  // +1 White wins, -1 Black wins, 0 draw
    std::string reason, termination = "normal";
    Fault fault = Fault::None;
    int faultEngine = -1;
    double clock40[2] = {-1, -1};  // by engine
    double depthSum[2] = {}, npsSum[2] = {};
    int64_t depthCount[2] = {}, npsCount[2] = {};
    int64_t worstOverMs[2] = {INT64_MIN, INT64_MIN};  // largest time used minus time allowed
    std::string pgn;
};

// What an engine said about its last move.
struct Report {
    std::optional<int> score;  // centipawns from its side, mates as +-30000
    int depth = 0;
    int64_t nps = 0;
    int64_t timeMs = -1;  // its own measure of the search time
};

void readInfo(const std::string& line, Report& r) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    while (in >> word) {
        if (word == "string") return;
        if (word == "depth")
            in >> r.depth;
        else if (word == "nps")
            in >> r.nps;
        else if (word == "time")
            in >> r.timeMs;
        else if (word == "score") {
            std::string kind;
            int value = 0;
            if (!(in >> kind >> value)) return;
            if (kind == "cp")
                r.score = value;
            else if (kind == "mate")
                r.score = value > 0 ? 30000 : -30000;
        }
    }
}

const char* colorName(int color) {
    return color == White ? "White" : "Black";
}

class Worker {
   public:
    explicit Worker(const Settings& s) : s_(s) {}
    ~Worker() {
        for (EngineProcess& e : engines_) e.quit();
    }

    GameRecord play(int64_t number, const Opening& opening, int whiteEngine);

   private:
    bool prepare(int e) {
        if (engines_[e].alive() && engines_[e].send("ucinewgame") && engines_[e].isReady(10000)) return true;
        return engines_[e].start(s_.engines[e]);
    }
    bool adjudicate(const std::vector<std::optional<int>> scores[2], int mover, int moveNumber, GameRecord& g,
                    int whiteEngine);

    const Settings& s_;
    EngineProcess engines_[2];
};

// Mate, stalemate and the draws of the rules; true when the game is over.
bool decidedByRules(const Stellung_t& pos, const Zustand_t& state, GameRecord& g) {
    int result = 0;
    if (gameOver(pos, state, &result)) {
        g.result = result;
        g.reason = result == 0 ? "Stalemate" : result > 0 ? "White mates" : "Black mates";
        return true;
    }
    switch (classifyDraw(pos, state)) {
        case DrawRepetition:
            g.reason = "Draw by threefold repetition";
            return true;
        case DrawNoMaterial:
        case DrawDeadBishops:
            g.reason = "Draw by insufficient material";
            return true;
        case DrawFiftyMoves:
            g.reason = "Draw by fifty-move rule";
            return true;
        default:
            return false;
    }
}

bool allWithin(const std::vector<std::optional<int>>& v, int n, int low, int high) {
    if (static_cast<int>(v.size()) < n) return false;
    for (size_t i = v.size() - static_cast<size_t>(n); i < v.size(); ++i)
        if (!v[i] || *v[i] < low || *v[i] > high) return false;
    return true;
}

bool Worker::adjudicate(const std::vector<std::optional<int>> scores[2], int mover, int moveNumber,
                        GameRecord& g, int whiteEngine) {
    const int other = 1 - mover;
    if (s_.resign.on)
        for (const int loser : {mover, other}) {
            const Adjudication& r = s_.resign;
            if (allWithin(scores[loser], r.moves, -1000000, -r.score) &&
                allWithin(scores[1 - loser], r.moves, r.score, 1000000)) {
                const int loserColor = loser == whiteEngine ? White : Black;
                g.result = loserColor == White ? -1 : 1;
                g.reason = std::string(colorName(loserColor)) + " resigns (adjudication)";
                g.termination = "adjudication";
                return true;
            }
        }
    const Adjudication& d = s_.draw;
    if (d.on && moveNumber >= d.moveNumber && allWithin(scores[0], d.moves, -d.score, d.score) &&
        allWithin(scores[1], d.moves, -d.score, d.score)) {
        g.result = 0;
        g.reason = "Draw by adjudication";
        g.termination = "adjudication";
        return true;
    }
    return false;
}

std::string resultText(int result) {
    return result > 0 ? "1-0" : result < 0 ? "0-1" : "1/2-1/2";
}

GameRecord Worker::play(int64_t number, const Opening& opening, int whiteEngine) {
    GameRecord g;
    Stellung_t pos = opening.start;
    Zustand_t state = opening.startState;
    std::string moveList;  // coordinate moves for the "position" command
    std::vector<std::string> san;
    char text[16];
    auto playMove = [&](Zug_t m) {
        san.push_back(writeSan(pos, state, m));
        moveList += std::string(" ") + writeCoordinate(pos, m, text);
        Zustand_t next;
        playPermanent(pos, m, state, next);
        state = next;
    };
    for (const Zug_t m : opening.moves) playMove(m);

    // A side's fault: the other wins.
    auto lose = [&](int engine, Fault fault, const std::string& why, const char* termination) {
        const int color = engine == whiteEngine ? White : Black;
        g.result = color == White ? -1 : 1;
        g.fault = fault, g.faultEngine = engine;
        g.reason = std::string(colorName(color)) + " " + why;
        g.termination = termination;
    };

    bool over = false;
    for (int e = 0; e < 2 && !over; ++e)
        if (!prepare(e)) lose(e, Fault::Crash, "engine failed to start", "abandoned"), over = true;

    const TimeControl& tc = s_.tc;
    int64_t clockMs[2] = {tc.baseMs, tc.baseMs};  // by engine
    int movesMade[2] = {0, 0};                    // by engine, timed moves only
    std::vector<std::optional<int>> scores[2];
    const std::string positionCommand =
        opening.fen.empty() ? "position startpos" : "position fen " + opening.fen;
    const int firstPly = static_cast<int>(opening.moves.size()) + (opening.start.side == Black ? 1 : 0);
    int ply = firstPly;  // plies from a White-to-move start, for move numbers

    while (!over && !(over = decidedByRules(pos, state, g))) {
        if (stopRequested) return g.aborted = true, g;
        const int mover = pos.side == White ? whiteEngine : 1 - whiteEngine;
        EngineProcess& engine = engines_[mover];
        std::string go = "go movetime " + std::to_string(tc.moveMs);
        int64_t allowedMs = tc.moveMs;
        if (tc.kind != TimeControl::PerMove) {
            const int64_t w = clockMs[whiteEngine], b = clockMs[1 - whiteEngine];
            go = "go wtime " + std::to_string(std::max<int64_t>(w, 1)) + " btime " +
                 std::to_string(std::max<int64_t>(b, 1)) + " winc " + std::to_string(tc.incMs) + " binc " +
                 std::to_string(tc.incMs);
            if (tc.kind == TimeControl::Periods)
                go += " movestogo " + std::to_string(tc.moves - movesMade[mover] % tc.moves);
            allowedMs = clockMs[mover];
        }
        if (!engine.send(positionCommand + (moveList.empty() ? "" : " moves" + moveList)) ||
            !engine.send(go)) {
            lose(mover, Fault::Crash, "engine died", "abandoned");
            engine.kill();
            break;
        }
        const auto started = Clock::now();
        const auto flag = started + std::chrono::milliseconds(allowedMs + s_.timeMarginMs);
        Report report;
        std::string line, best;
        bool timeLost = false;
        for (;;) {
            const auto r = engine.readLine(line, timeLost ? flag + std::chrono::seconds(5) : flag);
            if (r == EngineProcess::Read::Closed) break;
            if (r == EngineProcess::Read::Timeout) {
                // Past its time: the game is lost; the engine gets 5 s to answer "stop"
                // and stay usable, else it is restarted before the next game.
                if (timeLost) break;
                timeLost = true;
                engine.send("stop");
                continue;
            }
            if (line.rfind("info ", 0) == 0)
                readInfo(line, report);
            else if (line.rfind("bestmove", 0) == 0) {
                std::istringstream(line.substr(8)) >> best;
                if (best.empty()) best = "(empty)";
                break;
            }
        }
        const int64_t usedMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
        if (best.empty() && !timeLost) {
            lose(mover, Fault::Crash, "engine died", "abandoned");
            engine.kill();
            break;
        }
        if (timeLost || usedMs > allowedMs + s_.timeMarginMs) {
            if (best.empty()) engine.kill();
            lose(
                mover, Fault::Time,
                "loses on time (" + (best.empty() ? std::string("no move") : std::to_string(usedMs) + " ms") +
                    " for " + std::to_string(allowedMs) + " ms" +
                    (report.timeMs >= 0 ? ", engine reported " + std::to_string(report.timeMs) + " ms" : "") +
                    ")",
                "time forfeit");
            break;
        }
        const Zug_t move = readCoordinate(pos, best);
        if (move == 0 || !isLegal(pos, move, state)) {
            lose(mover, Fault::Illegal, "makes an illegal move: " + best, "rules infraction");
            break;
        }

        ++movesMade[mover];
        if (tc.kind != TimeControl::PerMove) {
            clockMs[mover] -= usedMs;
            if ((ply / 2 + 1) == 40) g.clock40[mover] = clockMs[mover] / 1000.0;
            clockMs[mover] += tc.incMs;
            if (tc.kind == TimeControl::Periods && movesMade[mover] % tc.moves == 0)
                clockMs[mover] += tc.baseMs;
        }
        g.worstOverMs[mover] = std::max(g.worstOverMs[mover], usedMs - allowedMs);
        if (report.depth > 0) g.depthSum[mover] += report.depth, ++g.depthCount[mover];
        if (report.nps > 0) g.npsSum[mover] += static_cast<double>(report.nps), ++g.npsCount[mover];
        scores[mover].push_back(report.score);
        playMove(move);
        ++ply;
        over = adjudicate(scores, mover, ply / 2 + 1, g, whiteEngine);
    }

    // The game file entry.
    const std::string result = resultText(g.result);
    std::string& p = g.pgn;
    char date[16];
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    std::strftime(date, sizeof date, "%Y.%m.%d", &tm);
    auto tag = [&](const char* name, const std::string& value) {
        std::string escaped;
        for (const char c : value) {
            if (c == '"' || c == '\\') escaped += '\\';
            escaped += c;
        }
        p += std::string("[") + name + " \"" + escaped + "\"]\n";
    };
    tag("Event", "tolvaren-match");
    tag("Site", "?");
    tag("Date", date);
    tag("Round", std::to_string(number));
    tag("White", s_.engines[whiteEngine].name);
    tag("Black", s_.engines[1 - whiteEngine].name);
    tag("Result", result);
    if (!opening.fen.empty()) tag("SetUp", "1"), tag("FEN", opening.fen);
    tag("TimeControl", tc.pgnText);
    tag("Termination", g.termination);
    if (!opening.name.empty()) tag("Opening", opening.name);
    tag("PlyCount", std::to_string(san.size()));
    p += "\n";
    // Move numbers count from the FEN's own number where there is one.
    int fullMove = 1;
    if (!opening.fen.empty()) {
        std::istringstream fields(opening.fen);
        std::string field;
        for (int i = 0; i < 6 && fields >> field; ++i)
            if (i == 5) fullMove = std::max(1, std::atoi(field.c_str()));
    }
    std::string lineText;
    auto word = [&](const std::string& w) {
        if (!lineText.empty() && lineText.size() + 1 + w.size() > 79) p += lineText + "\n", lineText.clear();
        lineText += (lineText.empty() ? "" : " ") + w;
    };
    for (size_t i = 0; i < san.size(); ++i) {
        const int at = static_cast<int>(i) + (opening.start.side == Black ? 1 : 0);
        if (at % 2 == 0)
            word(std::to_string(fullMove + at / 2) + ". " + san[i]);
        else
            word(i == 0 ? std::to_string(fullMove) + "... " + san[i] : san[i]);
    }
    word("{" + g.reason + "}");
    word(result);
    p += lineText + "\n\n";
    return g;
}

// ---------------------------------------------------------------- the match

class Match {
   public:
    Match(const Settings& s, std::vector<Opening> openings) : s_(s), openings_(std::move(openings)) {
        order_.resize(openings_.size());
        for (size_t i = 0; i < order_.size(); ++i) order_[i] = i;
        Zufall_t random;
        random.seed(s.seed);
        for (size_t i = order_.size(); i > 1; --i) std::swap(order_[i - 1], order_[random.next64() % i]);
        summary_.nameA = s.engines[0].name, summary_.nameB = s.engines[1].name;
        summary_.sprt = s.sprt, summary_.bounds = s.bounds;
        if (!s.pgnOut.empty() && !(pgn_ = std::fopen(s.pgnOut.c_str(), "a")))
            std::fprintf(stderr, "tolvaren-match: cannot write %s\n", s.pgnOut.c_str());
    }
    ~Match() {
        if (pgn_) std::fclose(pgn_);
    }

    void run() {
        const auto started = Clock::now();
        std::vector<std::thread> threads;
        for (int64_t t = 0; t < s_.concurrency; ++t) threads.emplace_back([this] { work(); });
        for (auto& t : threads) t.join();
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        finish(seconds);
    }

   private:
    void work() {
        Worker worker(s_);
        for (;;) {
            int64_t n;
            {
                std::lock_guard lock(mutex_);
                if (stopRequested || next_ >= s_.games) return;
                n = next_++;
            }
            const Opening& opening = openings_[order_[static_cast<size_t>(n / 2) % order_.size()]];
            const int whiteEngine = static_cast<int>(n % 2);
            const GameRecord g = worker.play(n + 1, opening, whiteEngine);
            if (!g.aborted) record(n, g, whiteEngine);
        }
    }

    void record(int64_t n, const GameRecord& g, int whiteEngine) {
        std::lock_guard lock(mutex_);
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
        std::printf("Game %lld (%s vs %s): %s {%s}\n", static_cast<long long>(n + 1),
                    s_.engines[whiteEngine].name.c_str(), s_.engines[1 - whiteEngine].name.c_str(),
                    resultText(g.result).c_str(), g.reason.c_str());
        if (pgn_) std::fputs(g.pgn.c_str(), pgn_), std::fflush(pgn_);
        if (c.games() % s_.ratingInterval == 0) {
            const MatchFigures f = matchFigures(c);
            std::printf("Score of %s vs %s: %lld - %lld - %lld  [%.3f] %lld, Elo %+.1f +/- %.1f\n",
                        summary_.nameA.c_str(), summary_.nameB.c_str(), static_cast<long long>(c.wins),
                        static_cast<long long>(c.losses), static_cast<long long>(c.draws), f.score,
                        static_cast<long long>(c.games()), f.elo, f.eloError);
        }
        std::fflush(stdout);
        if (s_.sprt && sprtVerdict(sprtLlr(c, s_.bounds), s_.bounds) != SprtVerdict::Continue)
            stopRequested = true;
    }

    static double median(std::vector<double> v) {
        if (v.empty()) return -1;
        std::sort(v.begin(), v.end());
        const size_t m = v.size() / 2;
        return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
    }

    void finish(double seconds) {
        MatchSummary& m = summary_;
        m.figures = matchFigures(m.counts);
        m.llr = sprtLlr(m.counts, m.bounds);
        m.verdict = sprtVerdict(m.llr, m.bounds);
        m.clockA = median(clocks_[0]), m.clockB = median(clocks_[1]);
        std::printf("\n");
        // The tightest move shows how much margin an engine keeps (above 0: over its time).
        for (int e = 0; e < 2; ++e)
            std::printf("%s: average depth %.1f, nps %.0f, tightest move %+lld ms against its limit\n",
                        s_.engines[e].name.c_str(), depthCount_[e] ? depthSum_[e] / depthCount_[e] : 0.0,
                        npsCount_[e] ? npsSum_[e] / npsCount_[e] : 0.0,
                        static_cast<long long>(worstOverMs_[e] == INT64_MIN ? 0 : worstOverMs_[e]));
        std::printf("%lld games in %.0f s (%.1f s per game at concurrency %lld)\n",
                    static_cast<long long>(m.counts.games()), seconds,
                    m.counts.games() ? seconds * s_.concurrency / m.counts.games() : 0.0,
                    static_cast<long long>(s_.concurrency));
        std::fputs(formatMatchSummary(m).c_str(), stdout);
        std::fflush(stdout);
    }

    const Settings& s_;
    std::vector<Opening> openings_;
    std::vector<size_t> order_;
    std::mutex mutex_;  // guards everything below
    int64_t next_ = 0;
    MatchSummary summary_;
    std::map<int64_t, double> pairScore_;  // first finished game of a pair, A's score
    std::vector<double> clocks_[2];
    double depthSum_[2] = {}, npsSum_[2] = {};
    int64_t depthCount_[2] = {}, npsCount_[2] = {};
    int64_t worstOverMs_[2] = {INT64_MIN, INT64_MIN};
    std::FILE* pgn_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    auto settings = parseCommandLine(argc, argv);
    if (!settings) return 2;
    signal(SIGPIPE, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    for (const EngineSetup& e : settings->engines) {
        EngineProcess probe;
        if (!probe.start(e)) {
            std::fprintf(stderr, "tolvaren-match: engine %s (%s) does not start as a UCI engine\n",
                         e.name.c_str(), e.cmd.c_str());
            return 2;
        }
        probe.quit();
    }
    if (settings->openings.empty()) settings->openings = defaultOpenings();
    std::vector<Opening> openings = readOpenings(settings->openings, settings->plies);
    if (openings.empty()) {
        std::fprintf(stderr, "tolvaren-match: no usable opening in %s\n", settings->openings.c_str());
        return 2;
    }
    Match match(*settings, std::move(openings));
    match.run();
    return 0;
}
