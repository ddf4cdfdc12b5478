// The UCI and XBoard conversations through the engine's standard streams (the adapters' own
// tests cover each command); and every move a UCI search prints replayed against the position
// where it would be played, as a GUI that ponders or checks PVs does: none may be illegal.
// (The XBoard sink writes the same variations; its ponder and hint texts have unit tests.)
#include <gtest/gtest.h>

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

// Runs the test inside a fresh directory, so that the engine finds no "Tolvaren.ini".
class WorkingDirectory {
   public:
    WorkingDirectory() { std::filesystem::current_path(dir_.path()); }
    ~WorkingDirectory() { std::filesystem::current_path(previous_); }

   private:
    std::filesystem::path previous_ = std::filesystem::current_path();
    test::TempDir dir_;
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

TEST(UciProcess, HandshakeIsreadyAndQuit) {
    EngineProcess engine;
    ASSERT_TRUE(engine.running());
    engine.send("uci and some more words");
    std::vector<std::string> answer;
    answer.push_back(engine.readUntil("uciok", Timeout, &answer).value_or("<none>"));
    EXPECT_EQ(answer, UciAnswer);
    engine.send("isready");
    EXPECT_EQ(engine.readLine(Timeout), "readyok");
    // A second "uci" is no command any more; the next line out is the answer to isready.
    engine.send("uci");
    engine.send("isready");
    EXPECT_EQ(engine.readLine(Timeout), "readyok");
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

TEST(UciProcess, BadInputNeitherCrashesNorHangs) {
    EngineProcess engine;
    engine.send("uci");
    engine.readUntil("uciok", Timeout);
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
    engine.send("quit");
    engine.closeInput();
    EXPECT_TRUE(engine.readAllLines(Timeout).empty());
    EXPECT_EQ(engine.waitExit(Timeout), 0);
    EXPECT_TRUE(engine.readAllErrLines(Timeout).empty());
}

// "position", "perft", "eval" and "time" reach their handlers; the handlers' own tests
// cover the details.
TEST(UciProcess, PositionPerftEvalAndTimeCommands) {
    EngineProcess engine;
    engine.send("uci");
    ASSERT_TRUE(engine.readUntil("uciok", Timeout));
    auto perft = [&](const char* depth) {
        engine.send(std::string("perft depth ") + depth);
        const auto line = engine.readUntil("info depth", Timeout).value_or("<none>");
        return line.substr(line.rfind(' ') + 1);
    };
    // Kiwipete after two moves, counted by an independent engine.
    engine.send(
        "position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 moves e1g1 h3g2");
    EXPECT_EQ(perft("3"), "103491");

    engine.send("position startpos");
    engine.send("eval");
    EXPECT_EQ(engine.readUntil("info string final ", Timeout), "info string final 72");

    // The trainer's messages go to standard error.
    engine.send("time init");
    engine.send("time learn 5");
    EXPECT_EQ(engine.readErrLine(Timeout), "info string nothing to learn");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(Timeout), 0);
}

TEST(XboardProcess, MoveNowAndDeferredPong) {
    WorkingDirectory dir;
    std::ofstream("Tolvaren.ini") << "setoption name OwnBook value false\n";  // search, not the book
    EngineProcess engine;
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

struct ReplayCase {
    const char* name;
    const char* fen;
    const char* moves;  // played from the FEN before the search, blank-separated
    int depth;
    // The reply must be a castling of the side not to move at the root: only it mates.
    bool ponderCastles;
};

const ReplayCase Cases[] = {
    {"StandardOpening", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
     "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 c2c3 g8f6", 8, false},
    {"Chess960Opening", "nqnbrkbr/pppppppp/8/8/8/8/PPPPPPPP/NQNBRKBR w HEhe - 0 1",
     "e2e4 e7e5 a1b3 a8b6 d2d4 e5d4 f2f3", 8, false},
    {"BlackMatesShort", "6kr/6pp/1b6/3R4/8/8/3nP1P1/4RKR1 w h - 0 1", "", 4, true},
    {"WhiteMatesLong", "2rkr3/2p1pN2/8/8/5rB1/8/PP6/RK6 b A - 0 1", "", 4, true},
};

class VariationReplay : public ::testing::TestWithParam<ReplayCase> {
   protected:
    const ReplayCase& replayCase() const { return GetParam(); }

    std::unique_ptr<Game> rootGame() const {
        auto game = std::make_unique<Game>(testing::boardFromFen(replayCase().fen));
        for (const std::string& move : words(replayCase().moves)) EXPECT_TRUE(game->play(move)) << move;
        return game;
    }

    bool chess960() const { return testing::boardFromFen(replayCase().fen).pos.chess960; }

    // The ponder move must be legal after the best move; it is played too.
    void expectBestAndPonder(Game& game, const std::string& best, const std::string& ponder) const {
        ASSERT_TRUE(game.play(best)) << "illegal best move " << best;
        if (ponder.empty()) {
            EXPECT_FALSE(replayCase().ponderCastles) << "no ponder move";
            return;
        }
        Zug_t move = 0;
        ASSERT_TRUE(game.play(ponder, &move)) << "illegal ponder move " << ponder;
        if (replayCase().ponderCastles) {
            EXPECT_EQ(moveKind(move), ZugRochade) << ponder;
        }
    }
};

// "info ... pv <moves>" and "info currmove <move>" against the root; returns the
// best and ponder moves of the "bestmove" line.
void checkUciSearch(const std::vector<std::string>& lines, const Game& root, std::string* best,
                    std::string* ponder) {
    for (const std::string& line : lines) {
        const auto w = words(line);
        if (w.size() >= 3 && w[0] == "info" && w[1] == "currmove") expectLegalVariation(root, {w[2]}, line);
        for (std::size_t i = 0; i < w.size(); ++i)
            if (w[0] == "info" && w[i] == "pv") {
                expectLegalVariation(root, std::vector<std::string>(w.begin() + i + 1, w.end()), line);
                break;
            }
    }
    const auto last = lines.empty() ? std::vector<std::string>{} : words(lines.back());
    EXPECT_TRUE(last.size() >= 2 && last[0] == "bestmove") << (lines.empty() ? "no output" : lines.back());
    *best = last.size() >= 2 ? last[1] : "";
    *ponder = last.size() >= 4 && last[2] == "ponder" ? last[3] : "";
}

TEST_P(VariationReplay, UciPrintsOnlyLegalMoves) {
    const ReplayCase& c = replayCase();
    test::UciEngine engine;
    engine.send("setoption name OwnBook value false");
    engine.send(std::string("setoption name UCI_Chess960 value ") + (chess960() ? "true" : "false"));
    const std::string position = std::string("position fen ") + c.fen + " moves " + c.moves + " ";
    const std::string depth = " depth " + std::to_string(c.depth);
    engine.send(position);
    engine.send("go" + depth);

    auto game = rootGame();
    std::string best, ponder;
    checkUciSearch(engine.untilBestMove(), *game, &best, &ponder);
    expectBestAndPonder(*game, best, ponder);
    if (HasFatalFailure() || ponder.empty() || gameOver(game->pos, game->state)) return;

    // A GUI that ponders sends both moves back; the ponder search reports from there.
    engine.send(position + best + " " + ponder);
    engine.send("go ponder" + depth);
    engine.send("ponderhit");
    std::string nextBest, nextPonder;
    checkUciSearch(engine.untilBestMove(), *game, &nextBest, &nextPonder);
    EXPECT_TRUE(game->play(nextBest)) << "illegal best move " << nextBest;
}

INSTANTIATE_TEST_SUITE_P(, VariationReplay, ::testing::ValuesIn(Cases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace

}  // namespace tolvaren
