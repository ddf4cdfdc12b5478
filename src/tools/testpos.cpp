#include "tools/testpos.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstring>
#include <ctime>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "pgn/pgn_reader.h"
#include "search/time_control.h"
#include "tools/line_workers.h"
#include "tools/ordered_results.h"
#include "tools/position_solver.h"
#include "tools/tool_files.h"

namespace tolvaren {

namespace {

constexpr int MaxExpected = 8;
constexpr int StateVersion = 1;

// Positions of a game searched: every third from the twelfth half-move on, so that both
// sides are asked and the opening, which a book would play, is left out.
constexpr size_t GameFirstPly = 12;
constexpr size_t GamePlyStep = 3;

enum class Verdict { NotAPosition, NoMoves, NothingToCompare, Agrees, Differs, NotAGame, Game };

struct Probe {
    Verdict verdict = Verdict::NotAPosition;
    char chosen[8] = "-";
    std::string expected;  // the file's moves as coordinates
    long compared = 0;     // positions with a move to compare, and how many agree
    long agreed = 0;
    uint64_t nodes = 0;
    int64_t millis = 0;
};

struct GameItem {
    Partie_t game;
    bool valid = false;
};

// What has been done so far; saved after every position written, in input order.
struct Tally {
    long done = 0;  // positions 1..done are finished
    long compared = 0;
    long agreed = 0;
    long invalid = 0;
    int64_t millis = 0;
};

// The moves named after "bm" in the text following the position, as legal moves.
int expectedMoves(const Stellung_t& pos, const Zustand_t& state, std::string_view rest, Zug_t* moves) {
    size_t at = std::string_view::npos;
    for (size_t i = rest.find("bm"); i != std::string_view::npos; i = rest.find("bm", i + 2)) {
        const bool wordStart = i == 0 || rest[i - 1] == ' ' || rest[i - 1] == ';' || rest[i - 1] == '\t';
        if (wordStart && i + 2 < rest.size() && (rest[i + 2] == ' ' || rest[i + 2] == '\t')) {
            at = i + 2;
            break;
        }
    }
    if (at == std::string_view::npos) return 0;
    rest = rest.substr(
        at, rest.find(';', at) == std::string_view::npos ? std::string_view::npos : rest.find(';', at) - at);
    int count = 0;
    size_t i = 0;
    while (i < rest.size() && count < MaxExpected) {
        while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
        const size_t start = i;
        while (i < rest.size() && rest[i] != ' ' && rest[i] != '\t') ++i;
        if (i == start) break;
        const std::string_view word = rest.substr(start, i - start);
        Zug_t m = readSan(pos, word, state);
        if (m == 0) {
            m = readCoordinate(pos, word);
            if (m != 0 && !isLegal(pos, m, state)) m = 0;
        }
        if (m != 0) moves[count++] = m;
    }
    return count;
}

void examine(PositionSolver& solver, std::string_view line, int64_t nodes, Solution& s, Probe& probe) {
    const int64_t start = nowMillis();
    solver.solve(line, SolveLimit{0, nodes}, s);
    probe.millis = nowMillis() - start;
    probe.nodes = s.nodes;
    if (!s.valid) {
        probe.verdict = Verdict::NotAPosition;
        return;
    }
    Zug_t expected[MaxExpected];
    const int count = expectedMoves(s.position, s.state, line.substr(s.fenEnd), expected);
    for (int i = 0; i < count; ++i) {
        char text[8];
        if (!probe.expected.empty()) probe.expected += ' ';
        probe.expected += writeCoordinate(s.position, expected[i], text);
    }
    if (s.legalCount == 0) {
        probe.verdict = Verdict::NoMoves;
        return;
    }
    writeCoordinate(s.position, s.best, probe.chosen);
    if (count == 0) {
        probe.verdict = Verdict::NothingToCompare;
        return;
    }
    const bool agrees = std::find(expected, expected + count, s.best) != expected + count;
    probe.verdict = agrees ? Verdict::Agrees : Verdict::Differs;
    probe.compared = 1;
    probe.agreed = agrees;
}

void examineGame(PositionSolver& solver, const GameItem& item, int64_t nodes, Solution& s, Probe& probe) {
    if (!item.valid) {
        probe.verdict = Verdict::NotAGame;
        return;
    }
    const int64_t start = nowMillis();
    probe.verdict = Verdict::Game;
    const Partie_t& game = item.game;
    auto pos = std::make_unique<Stellung_t>(game.start);
    Zustand_t state = game.startState;
    for (size_t ply = 0; ply < game.moves.size(); ++ply) {
        const Zug_t played = game.moves[ply];
        if (ply >= GameFirstPly && (ply - GameFirstPly) % GamePlyStep == 0) {
            solver.solve(*pos, state, SolveLimit{0, nodes}, s);
            probe.nodes += s.nodes;
            ++probe.compared;
            probe.agreed += s.best == played;
        }
        Zustand_t after;
        playPermanent(*pos, played, state, after);
        state = after;
    }
    probe.millis = nowMillis() - start;
}

std::string describe(const Probe& p) {
    switch (p.verdict) {
        case Verdict::NotAPosition:
            return "not a position";
        case Verdict::NoMoves:
            return "no legal move";
        case Verdict::NothingToCompare:
            return std::string("chose ") + p.chosen + ", no move to compare";
        case Verdict::Agrees:
            return std::string("agrees ") + p.chosen;
        case Verdict::Differs:
            return std::string("differs ") + p.chosen + ", file has " + p.expected;
        case Verdict::NotAGame:
            return "not a game";
        case Verdict::Game:
            return std::to_string(p.agreed) + " of " + std::to_string(p.compared) + " agree";
    }
    return "";
}

bool isGameFile(std::string_view name) {
    if (name.size() < 4) return false;
    std::string ending(name.substr(name.size() - 4));
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == ".pgn";
}

long fileSize(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(f);
    std::rewind(f);
    return size;
}

enum class StateFound { None, Fits, Stale };

// A state that belongs to another file size or node count is not resumed.
StateFound loadState(const std::string& name, long size, int64_t nodes, Tally& tally) {
    ToolFile f(std::fopen(name.c_str(), "r"));
    if (!f) return StateFound::None;
    int version = 0;
    long savedSize = 0;
    int64_t savedNodes = 0;
    Tally t;
    const int fields = std::fscanf(
        f.get(),
        "testpos %d size %ld nodes %" SCNd64 " done %ld compared %ld agreed %ld invalid %ld millis %" SCNd64,
        &version, &savedSize, &savedNodes, &t.done, &t.compared, &t.agreed, &t.invalid, &t.millis);
    if (fields != 8 || version != StateVersion || savedSize != size || savedNodes != nodes || t.done < 0)
        return StateFound::Stale;
    tally = t;
    return StateFound::Fits;
}

// Written beside and renamed over the old one, so an interruption leaves one whole state.
bool saveState(const std::string& name, long size, int64_t nodes, const Tally& t) {
    const std::string temporary = name + ".tmp";
    ToolFile f(std::fopen(temporary.c_str(), "w"));
    if (!f) return false;
    std::fprintf(f.get(),
                 "testpos %d\nsize %ld\nnodes %" PRId64
                 "\ndone %ld\ncompared %ld\nagreed %ld\ninvalid %ld\nmillis %" PRId64 "\n",
                 StateVersion, size, nodes, t.done, t.compared, t.agreed, t.invalid, t.millis);
    if (std::fclose(f.release()) != 0) return false;
    return std::rename(temporary.c_str(), name.c_str()) == 0;
}

}  // namespace

int runTestpos(const char* fileName, const TestposSettings& settings, std::FILE* out, std::FILE* err) {
    ToolFile in(std::fopen(fileName, "r"));
    if (!in) {
        reportFileError(err, "opening", fileName);
        return 1;
    }
    const std::string stateName = std::string(fileName) + ".state";
    const std::string logName = std::string(fileName) + ".log";
    ToolFile log(std::fopen(logName.c_str(), "a"));
    if (!log) {
        reportFileError(err, "opening", logName.c_str());
        return 1;
    }
    const long size = fileSize(in.get());
    const int workers = settings.workers > 0
                            ? settings.workers
                            : std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);

    Tally tally;
    switch (loadState(stateName, size, settings.nodes, tally)) {
        case StateFound::Fits:
            if (tally.done > 0) std::fprintf(out, "<%s>: resuming after Partie %6ld\n", fileName, tally.done);
            break;
        case StateFound::Stale:
            std::fprintf(out, "<%s>: the state file belongs to another file or node count; starting afresh\n",
                         fileName);
            break;
        case StateFound::None:
            break;
    }
    if (!saveState(stateName, size, settings.nodes, tally)) {
        reportFileError(err, "writing", stateName.c_str());
        return 1;
    }
    const std::time_t now = std::time(nullptr);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    std::fprintf(log.get(), "run %s: nodes %" PRId64 ", %d threads, from Partie %ld\n", date, settings.nodes,
                 workers, tally.done + 1);
    std::fflush(log.get());

    bool stateSaved = true;
    OrderedResults<Probe> results(
        tally.done + 1, 0, static_cast<size_t>(-1), [&](long number, const Probe& p) {
            const std::string text = describe(p);
            std::fprintf(out, "<%s>: Partie %6ld %s\n", fileName, number, text.c_str());
            std::fflush(out);
            std::fprintf(log.get(), "Partie %6ld: %s; nodes %" PRIu64 ", %" PRId64 " ms\n", number,
                         text.c_str(), p.nodes, p.millis);
            std::fflush(log.get());
            tally.done = number;
            tally.millis += p.millis;
            tally.invalid += p.verdict == Verdict::NotAPosition || p.verdict == Verdict::NotAGame;
            tally.compared += p.compared;
            tally.agreed += p.agreed;
            stateSaved = saveState(stateName, size, settings.nodes, tally) && stateSaved;
        });

    std::vector<std::unique_ptr<PositionSolver>> solvers;
    std::vector<std::unique_ptr<Solution>> solutions;
    for (int i = 0; i < workers; ++i) {
        solvers.push_back(std::make_unique<PositionSolver>(TestposHashMiB));
        solutions.push_back(std::make_unique<Solution>());
    }
    const int64_t wallStart = nowMillis();
    const bool games = isGameFile(fileName);
    long read;
    if (games) {
        // The reader runs in this thread only; its reports are passed on as they come.
        std::ostringstream pgnErrors;
        PgnLeser_t reader(pgnErrors);
        reader.open(fileName);
        const auto passOnErrors = [&] {
            std::fputs(pgnErrors.str().c_str(), err);
            std::fflush(err);
            pgnErrors.str("");
        };
        read = runWorkers<GameItem>(
            workers, tally.done,
            [&](GameItem& item) {
                item.valid = reader.readGame(item.game);
                if (!item.valid && !reader.atEnd()) reader.skipToNextGame();
                passOnErrors();
                return item.valid || !reader.atEnd();
            },
            [&](int w, long number, const GameItem& item) {
                Probe probe;
                examineGame(*solvers[static_cast<size_t>(w)], item, settings.nodes,
                            *solutions[static_cast<size_t>(w)], probe);
                results.add(number, std::move(probe));
            });
    } else {
        read = runLineWorkers(in.get(), workers, tally.done, [&](int w, long number, std::string_view line) {
            Probe probe;
            examine(*solvers[static_cast<size_t>(w)], line, settings.nodes,
                    *solutions[static_cast<size_t>(w)], probe);
            results.add(number, std::move(probe));
        });
    }
    results.flush();
    if (read < 0) {
        reportFileError(err, "reading", fileName);
        return 1;
    }
    if (!stateSaved) reportFileError(err, "writing", stateName.c_str());

    const double share = tally.compared > 0
                             ? 100.0 * static_cast<double>(tally.agreed) / static_cast<double>(tally.compared)
                             : 0.0;
    char summary[256];
    std::snprintf(summary, sizeof summary,
                  games ? "%ld games, %ld positions compared, %ld agree (%.1f%%), %ld not games; search time "
                          "%.1f s, this run %.1f s"
                        : "%ld positions, %ld compared, %ld agree (%.1f%%), %ld not positions; search time "
                          "%.1f s, this run %.1f s",
                  tally.done, tally.compared, tally.agreed, share, tally.invalid,
                  static_cast<double>(tally.millis) / 1000.0,
                  static_cast<double>(nowMillis() - wallStart) / 1000.0);
    std::fprintf(out, "<%s>: %s\n", fileName, summary);
    std::fflush(out);
    std::fprintf(log.get(), "done: %s\n", summary);
    // A finished run starts afresh next time.
    std::remove(stateName.c_str());
    return 0;
}

}  // namespace tolvaren
