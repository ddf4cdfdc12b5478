// The UCI and XBoard conversations through the engine's standard streams (the adapters' own
// tests cover each command), and the legality of every move a UCI search prints. (The XBoard
// sink writes the same variations; its ponder and hint texts have unit tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "board/board_test_support.h"
#include "support/engine_process.h"
#include "support/test_files.h"
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

bool isThinkingLine(const std::string& line) {
    return !line.empty() && std::isdigit(static_cast<unsigned char>(line[0]));
}

// Skips thinking lines; returns the next other line.
std::optional<std::string> nextNonThinking(EngineProcess& engine) {
    while (auto line = engine.readLine(Timeout))
        if (!isThinkingLine(*line)) return line;
    return std::nullopt;
}

}  // namespace

// One conversation: the handshake, bad input that must neither crash nor hang the engine,
// "position", "perft", "eval" and "time" reaching their handlers (whose own tests cover the
// details), and "quit".
TEST(UciProcess, HandshakeBadInputCommandsAndQuit) {
    EngineProcess engine;
    ASSERT_TRUE(engine.running());
    engine.send("uci and some more words");
    std::vector<std::string> answer;
    answer.push_back(engine.readUntil("uciok", Timeout, &answer).value_or("<none>"));
    EXPECT_EQ(answer, UciAnswer);

    engine.send(std::string(100000, 'x'));
    engine.send("isready " + std::string(100000, 'y'));
    std::string binary;
    for (int i = 0; i < 256; ++i)
        if (i != '\n') binary += static_cast<char>(i);
    engine.send(binary);
    engine.send(std::string("\xff\xfe isready \x01\x02", 13));
    engine.send("setoption name " + std::string(10000, 'n') + " value " + std::string(10000, '7'));
    engine.send("\r\n\t\v\f");
    engine.send("isready");
    // The long "isready" line is cut into pieces; its first piece is a real isready.
    EXPECT_EQ(engine.readLine(Timeout), "readyok");
    EXPECT_EQ(engine.readLine(Timeout), "readyok");

    // Kiwipete after two moves, counted by an independent engine.
    engine.send(
        "position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 moves e1g1 h3g2");
    engine.send("perft depth 3");
    const auto perft = engine.readUntil("info depth", Timeout).value_or("<none>");
    EXPECT_EQ(perft.substr(perft.rfind(' ') + 1), "103491");
    engine.send("position startpos");
    engine.send("eval");
    EXPECT_EQ(engine.readUntil("info string final ", Timeout), "info string final 72");
    // The trainer's messages go to standard error.
    engine.send("time init");
    engine.send("time learn 5");
    EXPECT_EQ(engine.readErrLine(Timeout), "info string nothing to learn");

    engine.send("quit");
    engine.send("isready");
    engine.closeInput();
    EXPECT_TRUE(engine.readAllLines(Timeout).empty());
    EXPECT_EQ(engine.waitExit(Timeout), 0);
    EXPECT_TRUE(engine.readAllErrLines(Timeout).empty());

    // "ucitest" answers commands but prints nothing when chosen.
    EngineProcess timing;
    timing.send("ucitest");
    timing.send("isready");
    timing.closeInput();
    EXPECT_EQ(timing.readAllLines(Timeout), std::vector<std::string>{"readyok"});
    EXPECT_EQ(timing.waitExit(Timeout), 0);
}

TEST(XboardProcess, MoveNowAndDeferredPong) {
    // The engine reads "Tolvaren.ini" from the directory it starts in: search, not the book.
    test::TempDir dir;
    std::ofstream(dir.path("Tolvaren.ini")) << "setoption name OwnBook value false\n";
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EngineProcess engine;
    std::filesystem::current_path(before);
    engine.send("xboard");
    engine.send("protover 2");
    ASSERT_TRUE(engine.readUntil("feature done=1", Timeout));
    for (const char* line : {"new", "post", "level 40 5 0", "go"}) engine.send(line);
    // A long search is under way; the pong must wait for its move.
    auto first = engine.readLine(Timeout);
    ASSERT_TRUE(first && isThinkingLine(*first)) << first.value_or("<none>");
    engine.send("ping 7");
    engine.send("?");
    auto move = nextNonThinking(engine);
    ASSERT_TRUE(move && move->rfind("move ", 0) == 0) << move.value_or("<none>");
    EXPECT_EQ(nextNonThinking(engine), "pong 7");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

namespace {

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// The game the test keeps beside the engine's, to judge the moves it prints.
using Game = testing::Board;

// Plays a whole variation on a copy of the game; the first move that is not legal fails the test.
void expectLegalVariation(const Game& root, const std::vector<std::string>& moves, const std::string& line) {
    auto copy = std::make_unique<Game>(root);
    for (const std::string& move : moves)
        if (!copy->play(move)) {
            ADD_FAILURE() << "illegal move " << move << " in: " << line;
            return;
        }
}

// Checks "info ... pv <moves>" and "info currmove <move>" against the root; returns the words
// of the last line, which must be the "bestmove" line.
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
        {"nqnbrkbr/pppppppp/8/8/8/8/PPPPPPPP/NQNBRKBR w HEhe - 0 1", "e2e4 e7e5 a1b3 a8b6 d2d4 e5d4 f2f3", 8,
         false},
        {"6kr/6pp/1b6/3R4/8/8/3nP1P1/4RKR1 w h - 0 1", "", 4, true},
        {"2rkr3/2p1pN2/8/8/5rB1/8/PP6/RK6 b A - 0 1", "", 4, true},
    };
    test::UciEngine engine;
    engine.send("setoption name OwnBook value false");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fen);
        auto game = std::make_unique<Game>(testing::boardFromFen(c.fen));
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
