// The XBoard adapter: its level parser, its queue to the UCI side and the commands it translates.
#include "protocol/xboard_interface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "board/board_test_support.h"
#include "board/draw_classification.h"
#include "protocol/input.h"
#include "protocol/uci_format.h"
#include "protocol/uci_interface.h"
#include "protocol/xboard_output.h"
#include "protocol/xboard_queue.h"
#include "protocol/xboard_time_control.h"
#include "search/options.h"
#include "search/output.h"
#include "search/time_control.h"
#include "support/test_files.h"

namespace tolvaren {

namespace {

// Stands in for the UCI interface: records the command lines it is handed.
class CommandRecorder : public Eingabe_t {
   public:
    void handleLine(const char* line) override {
        std::lock_guard lock(mutex_);
        TextLine text;
        text.append(line);
        text.collapseBlanks();  // "go" lines are padded by their formats
        lines_.push_back(text.c_str());
    }
    std::vector<std::string> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(lines_, {});
    }
    // The same with the clock figures, which depend on the time the engine used, as "T".
    std::vector<std::string> takeWithoutClock() {
        std::vector<std::string> lines = take();
        for (std::string& line : lines)
            line = std::regex_replace(line, std::regex("([wb])time -?[0-9]+"), "$1time T");
        return lines;
    }

   private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// The adapter with everything around it, as the input loop builds it, with a recorder
// in place of the UCI interface and the sink writing into a temporary file.
struct Rig {
    CommandRecorder uci;
    Optionen_t options{engineOptionTable};
    Zeitkontrolle_t time;
    test::CapturedFile file;
    XBoardAusgabe_t sink{time, file.get()};
    XBoardInterface_t adapter;

    explicit Rig(const char* iniPath = "/nonexistent/Tolvaren.ini", bool handshake = true)
        : adapter(uci, options, sink, iniPath) {
        sink.connect(&adapter, &options);
        if (!handshake) return;
        send("protover 2");
        commands();
        output();
    }
    ~Rig() { sink.connect(nullptr, nullptr); }

    void send(const std::string& line) {
        adapter.handleLine(line.c_str());
        adapter.waitUntilIdle();
    }
    void send(std::initializer_list<std::string> lines) {
        for (const std::string& line : lines) send(line);
    }
    std::vector<std::string> commands() { return uci.take(); }
    // Lines printed since the last call.
    std::vector<std::string> output() {
        adapter.waitUntilIdle();
        return file.lines();
    }

    // The search's reports for the position the adapter sent: a thinking line with the
    // score (when given), then the best move. Moves are read against the game.
    test::Board game;
    void searchEnds(const char* best, const char* ponder = nullptr, const int32_t* score = nullptr) {
        replay();
        const Zug_t bestMove = readCoordinate(game.pos, best);
        if (score != nullptr)
            sink.principalVariation(game.pos, &bestMove, 1, *score, -1, 1, 3, 3, 0, 1000, 0, 0, false);
        Zug_t ponderMove = 0;
        if (ponder != nullptr) {
            auto after = std::make_unique<test::Board>(game);
            EXPECT_TRUE(after->play(best)) << best;
            ponderMove = readCoordinate(after->pos, ponder);
        }
        sink.bestMove(game.pos, bestMove, ponderMove);
        adapter.waitUntilIdle();
    }
    // The game as the adapter's move text describes it.
    void replay() {
        setStartPosition(game.pos, game.state);
        const std::string moves = adapter.moveText();
        for (std::size_t i = 0; i < moves.size(); i += 6) ASSERT_TRUE(game.play(moves.substr(i, 6)));
    }
    // A legal move of the side to move that neither ends nor repeats the game.
    std::string quietMove(uint32_t seed) {
        replay();
        Zugliste_t list;
        const uint32_t* end = generate(game.pos, game.state, list.begin());
        const int count = static_cast<int>(end - list.begin());
        for (int k = 0; k < count; ++k) {
            const Zug_t move = moveOf(list.entry[(seed + k * 7) % count]);
            Stellung_t copy = game.pos;
            Zustand_t next;
            if (!playPermanent(copy, move, game.state, next)) continue;
            if (gameOver(copy, next) || classifyDraw(copy, next) != DrawNone) continue;
            char text[8];
            return writeCoordinate(game.pos, move, text);
        }
        return "";
    }
};

// Plays engine (White) and opponent moves of a quiet game: `engineMoves` engine moves, each
// reported with `score`; the opponent answers after each. Returns the lines other than thinking.
std::vector<std::string> playQuietGame(Rig& rig, int engineMoves, int32_t score) {
    std::vector<std::string> printed;
    rig.send("go");
    for (int i = 0; i < engineMoves; ++i) {
        rig.searchEnds(rig.quietMove(i * 13 + 5).c_str(), nullptr, &score);
        for (const std::string& line : rig.output())  // thinking lines begin with the depth
            if (!std::isdigit(static_cast<unsigned char>(line[0]))) printed.push_back(line);
        if (i + 1 < engineMoves) rig.send("usermove " + rig.quietMove(i * 17 + 3));
    }
    rig.commands();
    return printed;
}

XboardTimeControl parsedLevel(const char* args) {
    XboardTimeControl control;
    EXPECT_TRUE(parseLevel(args, control)) << args;
    return control;
}

}  // namespace

TEST(XBoardTimeControl, LevelsParseAndWalkThePeriods) {
    // One repeating period of 40 moves in 5 minutes.
    const XboardTimeControl classic = parsedLevel("40 5 0");
    EXPECT_EQ(locatePeriod(classic, 39).movesToGo, 1);
    EXPECT_EQ(locatePeriod(classic, 40).movesToGo, 40);
    EXPECT_EQ(incrementDue(classic, 38), 0.0);
    EXPECT_EQ(incrementDue(classic, 79), 300000.0);  // each 40th move earns the next 5 minutes

    // 40 moves, then repeating blocks of 20 moves with 1 minute and 5 s per move.
    const XboardTimeControl two = parsedLevel("40 0:30 0 20 1 5");
    EXPECT_EQ(incrementDue(two, 39), 60000.0);  // completes period 1: the next period's base
    EXPECT_EQ(incrementDue(two, 40), 5000.0);
    EXPECT_EQ(incrementDue(two, 59), 65000.0);  // a cycle of the last period: base plus increment

    // Sudden death after two counted periods; minutes and seconds, fractional increment.
    const XboardTimeControl three = parsedLevel("40 2 0 20 1 0 0 1:30 1.5");
    EXPECT_EQ(incrementDue(three, 59), 90000.0);
    EXPECT_EQ(locatePeriod(three, 60).period, 2);
    EXPECT_EQ(incrementDue(three, 100), 1500.0);
    EXPECT_EQ(incrementDue(parsedLevel("0 2 12"), 30), 12000.0);  // incremental: no move count

    XboardTimeControl control;
    for (const char* bad : {"1 2", "40 5 0 20 1", "40 5:x 0", "99999999999 5 0"})
        EXPECT_FALSE(parseLevel(bad, control)) << bad;
}

TEST(XBoardTimeControl, ScoresInXBoardUnits) {
    // Centipawns rounded half away from zero; mate in one ply is 32766.
    const std::pair<int32_t, int32_t> cases[] = {{1000, 100},     {15, 2},         {-15, -2},        {-1, 0},
                                                 {450000, 45000}, {499999, 32766}, {-499998, -32765}};
    for (const auto& [score, expected] : cases) EXPECT_EQ(xboardScore(score), expected) << score;
}

TEST(XBoardInterface, HandshakeFeaturesAndOldVersions) {
    const std::vector<std::string> features = {
        "feature done=0", "feature myname=\"Tolvaren 2017-01-01\"", "feature ping=1", "feature setboard=1",
        "feature playother=1", "feature usermove=1", "feature sigint=0",
        "feature variants=\"normal,fischerandom\"", "feature colors=0", "feature ics=0", "feature name=1",
        "feature memory=1", "feature smp=1", "Error (file 'Tolvaren.ini' not found): protover",
        // The settings dialog.
        "feature option=\"OwnBook -check 1\"", "feature option=\"BookFile -file Tolvaren.opn\"",
        "feature option=\"BitbasePath -path .\"", "feature option=\"BitbaseCache -spin 0 0 100\"",
        "feature option=\"Resign -spin 700 400 2000\"", "feature option=\"MultiPV -spin 1 1 10\"",
        "feature option=\"MoveOverhead -spin 100 0 1000\"", "feature option=\"TimeLogfile -file /dev/null\"",
        "feature done=1"};
    auto plain = std::make_unique<Rig>("/nonexistent/Tolvaren.ini", false);
    plain->send("protover 2");
    EXPECT_EQ(plain->commands(), std::vector<std::string>{"debug on"});
    EXPECT_EQ(plain->output(), features);

    // An old GUI that sends no "protover" ends the engine.
    auto old = std::make_unique<Rig>("/nonexistent/Tolvaren.ini", false);
    old->send("new");
    EXPECT_EQ(old->output(), std::vector<std::string>{"Error (protocol version 2 required): new"});
    EXPECT_EQ(old->commands(), std::vector<std::string>{"quit"});
}

// With the real UCI interface behind the adapter, so that option lines take effect.
TEST(XBoardInterface, SettingsDialogShowsTheValuesInForceAndSetsOptions) {
    const std::string ini = test::writeTempFile(
        "dialog.ini",
        "setoption name Resign value 1200\n# not an option line\nsetoption name OwnBook value false\n"
        "setoption name BookFile value /books/\"my\" book.opn\n");
    Zeitkontrolle_t time;
    test::CapturedFile file;
    XBoardAusgabe_t sink{time, file.get()};
    UciInterface_t uci(nullptr, engineOptionTable, time, sink);
    auto adapter = std::make_unique<XBoardInterface_t>(uci, uci.options(), sink, ini.c_str());
    sink.connect(adapter.get(), &uci.options());
    const auto send = [&adapter, &file](const std::string& line) {
        adapter->handleLine(line.c_str());
        adapter->waitUntilIdle();
        return file.lines();
    };
    // After the fixed features, before "done": the ini file's values, a quote dropped.
    const std::vector<std::string> handshake = send("protover 2");
    ASSERT_EQ(handshake.size(), 22u);
    EXPECT_EQ(
        std::vector<std::string>(handshake.begin() + 12, handshake.end()),
        (std::vector<std::string>{
            "feature smp=1", "feature option=\"OwnBook -check 0\"",
            "feature option=\"BookFile -file /books/my book.opn\"", "feature option=\"BitbasePath -path .\"",
            "feature option=\"BitbaseCache -spin 0 0 100\"", "feature option=\"Resign -spin 1200 400 2000\"",
            "feature option=\"MultiPV -spin 1 1 10\"", "feature option=\"MoveOverhead -spin 100 0 1000\"",
            "feature option=\"TimeLogfile -file /dev/null\"", "feature done=1"}));

    const Optionen_t& o = uci.options();
    const auto values = [&o] {
        return std::tuple(o.flag(OptionOwnBook), o.text(OptionBookFile), o.text(OptionBitbasePath),
                          o.number(OptionBitbaseCache), o.number(OptionResign), o.number(OptionMultiPv),
                          o.number(OptionMoveOverhead), o.text(OptionTimeLogfile));
    };
    for (const char* line : {"option OwnBook=1", "option BookFile=/a b/c.opn", "option BitbasePath=/bb:/cc",
                             "option BitbaseCache=16", "option Resign=400", "option MultiPV=10",
                             "option MoveOverhead=30", "option TimeLogfile=/tmp/t.log"})
        EXPECT_TRUE(send(line).empty()) << line;
    const auto set = std::tuple(true, std::string("/a b/c.opn"), std::string("/bb:/cc"), 16, 400, 10, 30,
                                std::string("/tmp/t.log"));
    EXPECT_EQ(values(), set);

    // A value the option cannot take, and options the dialog does not hold, change nothing.
    const std::string longName = "option BookFile=" + std::string(OptionTextMax + 1, 'b');
    std::vector<std::string> errors;
    for (const std::string& line : {std::string("option Resign=2001"), std::string("option MultiPV=3x"),
                                    std::string("option BitbaseCache="), std::string("option OwnBook=yes"),
                                    std::string("option Resign"), longName, std::string("option Hash=64"),
                                    std::string("option resign=900")}) {
        const std::vector<std::string> printed = send(line);
        errors.insert(errors.end(), printed.begin(), printed.end());
    }
    EXPECT_EQ(values(), set);
    EXPECT_EQ(
        errors,
        (std::vector<std::string>{
            "Error (bad parameters): option Resign=2001", "Error (bad parameters): option MultiPV=3x",
            "Error (bad parameters): option BitbaseCache=", "Error (bad parameters): option OwnBook=yes",
            "Error (bad parameters): option Resign", "Error (bad parameters): " + longName,
            "Error (unknown option): option Hash=64", "Error (unknown option): option resign=900"}));
    adapter.reset();
}

TEST(XBoardInterface, ClockCommandsShapeTheGoLine) {
    auto rig = std::make_unique<Rig>();
    rig->send({"level 40 5 0", "go"});
    EXPECT_EQ(rig->commands(),
              (std::vector<std::string>{"position startpos",
                                        "go wtime 300000 btime 300000 winc 0 binc 0 movestogo 40"}));
    rig->send({"force", "level 0 0:30 0"});
    EXPECT_EQ(rig->adapter.ownClock(), 30000);
    rig->send({"time 4567", "st 30", "go"});
    EXPECT_EQ(rig->commands().back(), "go movetime 29650");

    // A malformed level is refused.
    rig->send("level 1 2");
    EXPECT_EQ(rig->output().back(), "Error (bad parameters): level 1 2");
}

TEST(XBoardInterface, UserMovesAreCheckedAgainstTheGame) {
    auto rig = std::make_unique<Rig>();
    rig->send({"force", "usermove e7e5"});  // the wrong side's move
    EXPECT_EQ(rig->output(), (std::vector<std::string>{"Illegal move: e7e5"}));
    rig->send({"usermove e2e4", "usermove e7e5", "usermove g1f3"});
    EXPECT_EQ(rig->adapter.moveText(), "e2e4  e7e5  g1f3  ");
    rig->send("undo");
    EXPECT_EQ(rig->adapter.moveText(), "e2e4  e7e5  ");
    rig->send("remove");
    EXPECT_EQ(rig->adapter.moveText(), "");
}

TEST(XBoardInterface, EngineMoveDeferredPongPonderingAndAbandonedSearches) {
    auto rig = std::make_unique<Rig>();
    rig->send({"hard", "go", "ping 7", "?"});
    EXPECT_TRUE(rig->output().empty());  // the pong waits for the move
    EXPECT_EQ(rig->commands().back(), "stop");
    rig->searchEnds("e2e4", "e7e5");
    EXPECT_EQ(rig->output(), (std::vector<std::string>{"move e2e4", "pong 7"}));
    EXPECT_EQ(rig->uci.takeWithoutClock(),
              (std::vector<std::string>{"position startpos moves e2e4 e7e5",
                                        "go wtime T btime T winc 0 binc 0 ponder"}));
    rig->send("ping 8");  // pondering is not thinking
    EXPECT_EQ(rig->output(), (std::vector<std::string>{"pong 8"}));

    // The predicted reply turns the ponder search into the real one.
    rig->send("usermove e7e5");
    EXPECT_EQ(rig->commands(), (std::vector<std::string>{"ponderhit"}));
    rig->searchEnds("g1f3", "b8c6");
    EXPECT_EQ(rig->output(), (std::vector<std::string>{"move g1f3"}));
    rig->commands();
    const auto report = [&rig](const test::Board& root, const char* move) {
        const Zug_t pv[] = {readCoordinate(root.pos, move)};
        rig->sink.principalVariation(root.pos, pv, 1, 100, -1, 1, 3, 3, 0, 1000, 0, 0, false);
        return rig->output();
    };
    rig->replay();
    auto pondered = std::make_unique<test::Board>(rig->game);
    ASSERT_TRUE(pondered->play("b8c6"));
    EXPECT_NE(report(*pondered, "f1c4").at(0).find(" (b8c6) f1c4"), std::string::npos);

    // Another reply stops the ponder search silently and starts afresh. The stopped search runs
    // on until the queued stop reaches it; what it still reports is not printed.
    rig->send("usermove d7d6");
    EXPECT_EQ(rig->uci.takeWithoutClock(),
              (std::vector<std::string>{
                  "setoption name NoOutput value true", "stop", "setoption name NoOutput value false",
                  "position startpos moves e2e4 e7e5 g1f3 d7d6", "go wtime T btime T winc 0 binc 0"}));
    EXPECT_TRUE(report(*pondered, "f1c4").empty());
    rig->replay();
    EXPECT_EQ(report(rig->game, "f1c4").size(), 1u);

    // Nor is anything that arrives after the GUI took the move away.
    rig->send("force");
    EXPECT_TRUE(report(rig->game, "f1c4").empty());
    rig->searchEnds("d2d4");
    EXPECT_TRUE(rig->output().empty());
    EXPECT_EQ(rig->adapter.moveText(), "e2e4  e7e5  g1f3  d7d6  ");
}

TEST(XBoardInterface, QuietGameEarnsThePeriodOffersDrawsResignsAndKeepsAClockFloor) {
    auto rig = std::make_unique<Rig>();
    rig->send("level 40 5 0");
    const int32_t level = 0;
    const std::vector<std::string> printed = playQuietGame(*rig, 40, level);
    // Only the 40th move adds the next 5 minutes; the 40 moves took almost nothing.
    EXPECT_GT(rig->adapter.ownClock(), 590000);
    EXPECT_LE(rig->adapter.ownClock(), 600000);
    // Unprompted, the engine offers a draw only after more than twenty moves, then waits as long again.
    EXPECT_EQ(std::count(printed.begin(), printed.end(), "offer draw"), 1);
    EXPECT_EQ(printed.at(20), "offer draw");  // before the 21st move

    // The opponent's offer is accepted on level scores; a nearly empty clock keeps a floor.
    rig->send({"usermove " + rig->quietMove(1), "draw", "time 5"});
    rig->searchEnds(rig->quietMove(2).c_str(), nullptr, &level);
    const std::vector<std::string> last = rig->output();
    ASSERT_GE(last.size(), 3u);  // thinking line, offer, move
    EXPECT_EQ(last[1], "offer draw");
    EXPECT_EQ(rig->adapter.ownClock(), 150);

    // Four lost scores resign (default "Resign" 700: at most -7000).
    auto loser = std::make_unique<Rig>();
    EXPECT_EQ(playQuietGame(*loser, 4, -9000).back(), "resign");
}

TEST(XBoardInterface, GameEndsAreAnnounced) {
    auto rig = std::make_unique<Rig>();
    rig->send("setboard k7/8/1K6/8/8/8/8/7R w - - 0 1");
    rig->commands();
    rig->send("usermove h1h8");
    EXPECT_EQ(rig->output(), (std::vector<std::string>{"1-0 {White mates}"}));
    EXPECT_TRUE(rig->commands().empty());  // nothing to think about

    rig->send("setboard not a position");
    EXPECT_EQ(rig->output(), (std::vector<std::string>{"Error (Illegal position): not a position"}));
    rig->commands();
    rig->send("go");
    EXPECT_EQ(rig->commands().front(), "position startpos");
}

TEST(XBoardInterface, AnalysisThinkingLinesAndStatus) {
    auto rig = std::make_unique<Rig>();
    rig->send("analyze");  // the silent stop before it is pinned with pondering
    EXPECT_EQ(rig->commands().back(), "go infinite");
    rig->time.start = nowMillis();
    rig->replay();
    const Zug_t pv[] = {readCoordinate(rig->game.pos, "e2e4"), readCoordinate(rig->game.pos, "g1f3")};
    rig->sink.currentMove(rig->game.pos, pv[0], 3, 0);
    rig->sink.principalVariation(rig->game.pos, pv, 2, 499999, -1, 1, 4, 5, 0, 12345, 0, 0, false);
    const std::vector<std::string> thinking = rig->output();
    ASSERT_EQ(thinking.size(), 1u);
    EXPECT_EQ(thinking[0].rfind("5 32766 ", 0), 0u) << thinking[0];
    EXPECT_NE(thinking[0].find(" 12345 e2e4 g1f3"), std::string::npos) << thinking[0];

    rig->send(".");
    const std::vector<std::string> status = rig->output();
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].rfind("stat01:", 0), 0u);
    EXPECT_NE(status[0].find(" 12345      5  18  20 e2e4"), std::string::npos) << status[0];

    // Analysis never moves; a user move restarts it on the new position.
    rig->searchEnds("e2e4");
    EXPECT_TRUE(rig->output().empty());
    rig->send("usermove e2e4");
    EXPECT_EQ(rig->commands().back(), "go infinite");
    rig->send("exit");
    EXPECT_FALSE(rig->sink.analyzing());
}

TEST(XBoardInterface, OptionCommandsAndUnknownCommands) {
    auto rig = std::make_unique<Rig>();
    rig->send({"memory 64", "memory 2", "variant fischerandom"});
    EXPECT_EQ(rig->commands(),
              (std::vector<std::string>{"setoption name Hash value 60", "setoption name Hash value 1",
                                        "setoption name UCI_Chess960 value true"}));
    rig->send("frobnicate now");
    EXPECT_EQ(rig->output(), (std::vector<std::string>{"Error (unknown command): frobnicate now"}));
}

namespace {

// Records everything the queue hands on, in one list, so order across kinds shows.
struct Journal {
    std::mutex mutex;
    std::vector<std::string> entries;
    void add(std::string entry) {
        std::lock_guard lock(mutex);
        entries.push_back(std::move(entry));
    }
};

// A command target held at its first command until released.
class GatedTarget : public Eingabe_t {
   public:
    explicit GatedTarget(Journal& journal) : journal_(journal) {}
    void handleLine(const char* line) override {
        gate_.wait();
        journal_.add(std::string("cmd:") + line);
    }
    void release() { open_.set_value(); }

   private:
    Journal& journal_;
    std::promise<void> open_;
    std::shared_future<void> gate_ = open_.get_future().share();
};

class RecordingSink : public Ausgabe_t {
   public:
    explicit RecordingSink(Journal& journal) : journal_(journal) {}
    void line(const char* text) override { journal_.add(std::string("line:") + text); }
    void error(const char* message, const char* detail) override {
        journal_.add(std::string("error:") + message + "|" + (detail != nullptr ? detail : "<none>"));
    }

   private:
    Journal& journal_;
};

}  // namespace

TEST(XBoardQueue, EveryKindInPostingOrderAndWholeThroughSlotsAndOverflow) {
    Journal journal;
    GatedTarget target(journal);
    RecordingSink sink(journal);
    XboardUciQueue_t queue(target, sink,
                           [&journal](const char* text) { journal.add(std::string("run:") + text); });
    EXPECT_TRUE(queue.post(XboardUciQueue_t::Command, "debug on"));  // the worker is held here
    EXPECT_TRUE(queue.post(XboardUciQueue_t::Deferred, "options"));
    EXPECT_TRUE(queue.post(XboardUciQueue_t::Error, "unknown command", "frobnicate 3"));
    EXPECT_TRUE(queue.post(XboardUciQueue_t::Error, "file 'x' not found", ""));
    const std::string medium(1500, 'm');
    queue.post(XboardUciQueue_t::Line, medium);
    EXPECT_EQ(queue.lastSlotCapacity(), XboardUciQueue_t::MediumSlotSize);
    const std::string position = "position startpos moves" + std::string(70000, ' ');
    queue.post(XboardUciQueue_t::Command, position);
    EXPECT_EQ(queue.lastSlotCapacity(), XboardUciQueue_t::LargeSlotSize);
    std::vector<std::string> expected = {"cmd:debug on",
                                         "run:options",
                                         "error:unknown command|frobnicate 3",
                                         "error:file 'x' not found|<none>",
                                         "line:" + medium,
                                         "cmd:" + position};

    // More entries than slots: posting still returns; a long line keeps its place in the overflow.
    for (int i = 0; i < 200; ++i) {
        const std::string text = "setoption name Hash value " + std::to_string(i);
        ASSERT_TRUE(queue.post(i % 3 == 1 ? XboardUciQueue_t::Line : XboardUciQueue_t::Command, text));
        expected.push_back((i % 3 == 1 ? "line:" : "cmd:") + text);
        if (i == 100) {
            queue.post(XboardUciQueue_t::Command, position);
            expected.push_back("cmd:" + position);
        }
    }
    EXPECT_FALSE(queue.drained());
    EXPECT_GT(queue.overflowCount(), 0u);
    target.release();
    queue.waitUntilDrained();
    EXPECT_EQ(journal.entries, expected);

    // A line beyond the largest slot goes whole through the overflow.
    const std::string huge(100000, 'h');
    queue.post(XboardUciQueue_t::Command, huge);
    EXPECT_EQ(queue.lastSlotCapacity(), 0u);
    queue.waitUntilDrained();
    EXPECT_EQ(journal.entries.back(), "cmd:" + huge);
}

TEST(XBoardQueue, DestructionWithEntriesOutstandingEnds) {
    Journal journal;
    GatedTarget target(journal);
    RecordingSink sink(journal);
    auto destroyed = std::async(std::launch::async, [&] {
        XboardUciQueue_t queue(target, sink);
        for (int i = 0; i < 80; ++i) queue.post(XboardUciQueue_t::Command, "stop");
        target.release();
    });
    if (destroyed.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // A hung worker would also hang the future's destructor: fail the run here.
        std::fputs("destroying a queue with entries outstanding hangs\n", stderr);
        std::_Exit(1);
    }
    // Whatever ran before the end ran in order and whole.
    EXPECT_LE(journal.entries.size(), 80u);
    for (const std::string& e : journal.entries) EXPECT_EQ(e, "cmd:stop");
}

}  // namespace tolvaren
