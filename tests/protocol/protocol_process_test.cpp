// The UCI conversation through the engine's standard streams, and the legality of every move
// a UCI search prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "board/board_test_support.h"
#include "support/engine_process.h"
#include "support/uci_engine.h"

namespace tolvaren {

namespace {

using test::EngineProcess;

constexpr int Timeout = 20000;
const std::vector<std::string> UciAnswer = {
    "id name Tolvaren 2017-01-01",
    "id author Kestrane",
    "option name Hash type spin default 3 min 1 max 1000",
    "option name Ponder type check default true",
    "option name OwnBook type check default true",
    "option name Clear Hash type button",
    "option name MultiPV type spin default 1 min 1 max 10",
    "option name MultiPV_Score type spin default 0 min 0 max 1000",
    "option name UCI_Chess960 type check default false",
    "option name BookFile type string default Tolvaren.opn",
    "option name UCI_Opponent type string default none none human none",
    "option name NumberOfProcessors type spin default 1 min 1 max 4",
    "option name TimeLogfile type string default /dev/null",
    "uciok",
};

}  // namespace

// The handshake, bad input that must neither crash nor hang the engine, and "quit".
TEST(UciProcess, HandshakeBadInputAndQuit) {
    EngineProcess engine;
    ASSERT_TRUE(engine.running());
    engine.send("uci and some more words");
    std::vector<std::string> answer;
    answer.push_back(engine.readUntil("uciok", Timeout, &answer).value_or("<none>"));
    EXPECT_EQ(answer, UciAnswer);

    engine.send("isready " + std::string(100000, 'y'));
    engine.send(std::string("\xff\xfe isready \x00\x01\x02\r\n\t", 17));
    engine.send("isready");
    // The long "isready" line is cut into pieces; its first piece is a real isready.
    EXPECT_EQ(engine.readLine(Timeout), "readyok");
    EXPECT_EQ(engine.readLine(Timeout), "readyok");

    engine.send("quit");
    engine.send("isready");
    engine.closeInput();
    EXPECT_TRUE(engine.readAllLines(Timeout).empty());
    EXPECT_EQ(engine.waitExit(Timeout), 0);
    EXPECT_TRUE(engine.readAllErrLines(Timeout).empty());
}

namespace {

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// The game the test keeps beside the engine's, to judge the moves it prints.
using Game = test::Board;

// Plays a whole variation on a copy of the game; the first move that is not legal fails the test.
void expectLegalVariation(const Game& root, const std::vector<std::string>& moves, const std::string& line) {
    auto copy = std::make_unique<Game>(root);
    for (const std::string& move : moves)
        if (!copy->play(move)) {
            ADD_FAILURE() << "illegal move " << move << " in: " << line;
            return;
        }
}

// Checks "info ... pv" and "info currmove" moves against the root; returns the "bestmove" line's words.
std::vector<std::string> checkUciSearch(const std::vector<std::string>& lines, const Game& root) {
    for (const std::string& line : lines) {
        const auto w = words(line);
        if (w.empty() || w[0] != "info") continue;
        if (w.size() >= 3 && w[1] == "currmove") expectLegalVariation(root, {w[2]}, line);
        const auto pv = std::find(w.begin(), w.end(), "pv");
        if (pv != w.end()) expectLegalVariation(root, std::vector<std::string>(pv + 1, w.end()), line);
    }
    const auto last = lines.empty() ? std::vector<std::string>{} : words(lines.back());
    EXPECT_TRUE(last.size() >= 2 && last[0] == "bestmove") << (lines.empty() ? "no output" : lines.back());
    return last;
}

// Every move a UCI search prints, replayed against the position where it would be played, as
// a GUI that ponders or checks variations does: none may be illegal.
TEST(UciProcess, SearchesPrintOnlyLegalMoves) {
    const struct {
        const char* fen;
        const char* moves;  // played from the FEN before the search, blank-separated
        int depth;
        // The reply must be a castling of the side not to move at the root: only it mates.
        bool ponderCastles;
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 c2c3 g8f6", 8, false},
        {"6kr/6pp/1b6/3R4/8/8/3nP1P1/4RKR1 w h - 0 1", "", 4, true},
        {"2rkr3/2p1pN2/8/8/5rB1/8/PP6/RK6 b A - 0 1", "", 4, true},
    };
    test::UciEngine engine;
    engine.send("setoption name OwnBook value false");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fen);
        auto game = std::make_unique<Game>(test::boardFromFen(c.fen));
        for (const std::string& move : words(c.moves)) ASSERT_TRUE(game->play(move)) << move;
        engine.send(std::string("setoption name UCI_Chess960 value ") +
                    (game->pos.chess960 ? "true" : "false"));
        const std::string position = std::string("position fen ") + c.fen + " moves " + c.moves + " ";
        const std::string depth = " depth " + std::to_string(c.depth);
        engine.send(position);
        engine.send("go" + depth);

        // The ponder move must be legal after the best move; both are played.
        const auto best = checkUciSearch(engine.untilBestMove(), *game);
        ASSERT_TRUE(best.size() >= 2 && game->play(best[1])) << "illegal best move";
        if (best.size() < 4 || best[2] != "ponder") {
            EXPECT_FALSE(c.ponderCastles) << "no ponder move";
            continue;
        }
        Zug_t move = 0;
        ASSERT_TRUE(game->play(best[3], &move)) << "illegal ponder move " << best[3];
        EXPECT_TRUE(!c.ponderCastles || moveKind(move) == ZugRochade) << best[3];
        if (gameOver(game->pos, game->state)) continue;

        // A GUI that ponders sends both moves back; the ponder search reports from there.
        engine.send(position + best[1] + " " + best[3]);
        engine.send("go ponder" + depth);
        engine.send("ponderhit");
        const auto next = checkUciSearch(engine.untilBestMove(), *game);
        EXPECT_TRUE(next.size() >= 2 && game->play(next[1])) << "illegal best move";
    }
}

}  // namespace

}  // namespace tolvaren
