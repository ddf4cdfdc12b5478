#include "match/game.h"

#include <algorithm>
#include <chrono>
#include <sstream>

#include "board/draw_classification.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "pgn/san_writer.h"

namespace tolvaren::match {

namespace {

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

}  // namespace

std::string resultText(int result) {
    return result > 0 ? "1-0" : result < 0 ? "0-1" : "1/2-1/2";
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

GameRecord Worker::play(const Opening& opening, int whiteEngine) {
    GameRecord g;
    Stellung_t pos = opening.start;
    Zustand_t state = opening.startState;
    std::string moveList;  // coordinate moves for the "position" command
    char text[16];
    auto playMove = [&](Zug_t m) {
        g.san.push_back(writeSan(pos, state, m));
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
        if (stop_) return g.aborted = true, g;
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
    return g;
}

}  // namespace tolvaren::match
