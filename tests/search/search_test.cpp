// Whole searches run synchronously and observed through a recording sink; the split-point
// pool, cutoffs reaching the work below a split point, and the helper threads.
#include "search/search.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "protocol/position_command.h"
#include "search/move_picker.h"
#include "search/options.h"
#include "search/output.h"
#include "search/time_control.h"

namespace tolvaren {

namespace {

class RecordingSink : public Ausgabe_t {
   public:
    void principalVariation(const Stellung_t&, const Zug_t*, int, int32_t score, int32_t, int32_t,
                            int depthIndex, int, int64_t, int64_t, int, int64_t, bool) override {
        lastScore = score;
        lastDepth = depthIndex + 1;
    }
    void multiPvLine(const Stellung_t& pos, const Zug_t* moves, int length, int lineNumber, int32_t score,
                     int) override {
        char buffer[8];
        if (length > 0)
            multiPv.push_back(std::to_string(lineNumber) + " " + writeCoordinate(pos, moves[0], buffer) +
                              " " + std::to_string(score));
    }
    void bestMove(const Stellung_t& pos, Zug_t best, Zug_t) override {
        char buffer[8];
        bestMoves.push_back(writeCoordinate(pos, best, buffer));
    }

    int32_t lastScore = 0;
    int lastDepth = 0;
    std::vector<std::string> multiPv;
    std::vector<std::string> bestMoves;
};

struct SearchFixture {
    std::unique_ptr<Suche_t> searcher = std::make_unique<Suche_t>();
    std::unique_ptr<Optionen_t> options = std::make_unique<Optionen_t>(engineOptionTable);
    Zeitkontrolle_t time;
    RecordingSink sink;
    std::unique_ptr<Stellung_t> pos = std::make_unique<Stellung_t>();
    Zustand_t states[2];
    int stateIndex = 0;

    explicit SearchFixture(const std::string& positionArgs) {
        options->setFlag(OptionOwnBook, false);  // these tests search, whatever book lies about
        EXPECT_TRUE(setPositionFromCommand(*pos, states, stateIndex, positionArgs,
                                           [](std::string_view, std::string_view) {}));
    }
    // Debug mode prints every PV line, so the sink sees the last one.
    void searchDepth(int depth, const std::vector<Zug_t>& rootMoves = {}) {
        time.startSearch({.depth = depth});
        const Zug_t* begin = rootMoves.empty() ? nullptr : rootMoves.data();
        searcher->start(*pos, *options, time, Sucher_t::FlagSynchronous | Sucher_t::FlagDebug, sink, begin,
                        begin ? begin + rootMoves.size() : nullptr);
    }
    Zug_t move(const char* text) const { return readCoordinate(*pos, text); }
};

}  // namespace

// A root without a move answers "0000" before any iteration, an only move after the first.
TEST(Search, RootsWithoutAChoiceAnswerAtOnce) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"fen R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", "0000", 0},  // mated
        {"fen k7/2Q5/1K6/8/8/8/8/8 b - - 0 1", "0000", 0},     // stalemate
        {"fen 7k/8/8/8/8/8/6q1/7K w - - 0 1", "h1g2", 1},      // Kxg2 is forced
    };
    for (const auto& [fen, best, depth] : cases) {
        SearchFixture f(fen);
        f.searchDepth(20);
        EXPECT_EQ(f.sink.bestMoves, std::vector<std::string>{best}) << fen;
        EXPECT_EQ(f.sink.lastDepth, depth) << fen;
    }
}

// A stop that comes before the first iteration is complete waits for it: the answer is
// the best move of depth one, never the first move of the list unsearched.
TEST(Search, AStopDuringTheFirstIterationAnswersWithItsBestMove) {
    struct StoppableSearch : Suche_t {
        void stopNow() { requestStop(); }  // the flag "stop" sets
    };
    struct StopAtFirstMove : RecordingSink {
        StoppableSearch* searcher = nullptr;
        void currentMove(const Stellung_t&, Zug_t, int, int) override { searcher->stopNow(); }
    };
    // The list starts with Ra8, which loses the rook; Rxd5 wins the queen.
    SearchFixture f("fen 1r4k1/5ppp/8/3q4/8/8/8/R2R2K1 w - - 0 1");
    StoppableSearch searcher;
    StopAtFirstMove sink;
    sink.searcher = &searcher;
    f.time.startSearch({.depth = 20});
    // Debug mode reports every root move, so the stop comes before the first one is searched.
    searcher.start(*f.pos, *f.options, f.time, Sucher_t::FlagSynchronous | Sucher_t::FlagDebug, sink, nullptr,
                   nullptr);
    EXPECT_EQ(sink.bestMoves, std::vector<std::string>{"d1d5"});
    EXPECT_EQ(sink.lastDepth, 1);
}

TEST(Search, ReturningToAGamePositionScoresZero) {
    // After g8 the start position stands on the board for the third time.
    SearchFixture f("startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1");
    f.searchDepth(4, {f.move("f6g8")});
    EXPECT_EQ(f.sink.lastScore, 0);
    EXPECT_EQ(f.sink.bestMoves, std::vector<std::string>{"f6g8"});
}

TEST(Search, AvoidsStalematingAWonPosition) {
    // Qb6 would stalemate; any sensible queen move keeps the win.
    SearchFixture f("fen k7/8/2K5/8/8/8/1Q6/8 w - - 0 1");
    f.searchDepth(5);
    EXPECT_GT(f.sink.lastScore, 1000);
    EXPECT_NE(f.sink.bestMoves.at(0), "b2b6");
}

TEST(Search, MultiPvReportsTheBestLinesInOrder) {
    SearchFixture f("fen 4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1");  // Rxd5 wins the queen
    f.options->setNumber(OptionMultiPv, 3);
    f.searchDepth(5);
    ASSERT_GE(f.sink.multiPv.size(), 3u);
    const std::vector<std::string> last(f.sink.multiPv.end() - 3, f.sink.multiPv.end());
    EXPECT_EQ(last[0].substr(0, 7), "1 d2d5 ");
    EXPECT_EQ(last[1].substr(0, 2), "2 ");
    EXPECT_EQ(last[2].substr(0, 2), "3 ");
    EXPECT_EQ(f.sink.bestMoves, std::vector<std::string>{"d2d5"});
}

TEST(Search, QuiescenceTakesTheHangingQueenAndFarBelowAlphaOnlyAnUndefendedPawn) {
    auto pos = std::make_unique<Stellung_t>();
    Zustand_t state;
    ASSERT_TRUE(readFen(*pos, state, "rnb1kbnr/pppp1ppp/8/3q4/4P3/8/PPPP1PPP/RNB1KBNR w KQkq - 0 1"));
    // Level material after exd5, where standing pat loses a queen.
    EXPECT_GT(std::make_unique<Suche_t>()->quiescenceOfPosition(*pos), 500);

    // Knight e4 against a lone pawn on g5; e = 0, alpha = 2000 at the first quiescence ply.
    const Bitboard g5 = bit(squareOf(6, 5));
    ASSERT_TRUE(readFen(*pos, state, "8/4k3/8/6p1/4N3/8/8/4K3 w - - 0 1"));
    EXPECT_TRUE(quiescenceTargets(*pos, state, 0, 2000, -1) & g5);
    ASSERT_TRUE(readFen(*pos, state, "8/8/7k/6p1/4N3/8/8/4K3 w - - 0 1"));  // the king defends it
    EXPECT_FALSE(quiescenceTargets(*pos, state, 0, 2000, -1) & g5);
    // Close to alpha every piece is a target, defended or not.
    EXPECT_TRUE(quiescenceTargets(*pos, state, 1900, 2000, -1) & g5);
}

// Reaches into a searcher for the cases no search reliably produces.
class SplitPointProbe {
   public:
    static void prepare(Suche_t& s, const Stellung_t& pos) {
        s.prepareRoot(pos);
        s.table().resize(1u << 20);
    }
    static SplitPointPool& pool(Suche_t& s) { return *s.pool_; }
    static uint64_t nodes(const Suche_t& s) { return s.nodes_; }
    // The root position searched as an inner node below `point`.
    static int32_t searchBelow(Suche_t& s, Teilungspunkt_t* point, int depth) {
        s.splitPoint_ = point;
        const int32_t score = s.nodeSearch(-MateScore, MateScore, s.root(), depth, 0);
        s.splitPoint_ = nullptr;
        return score;
    }
    // Makes the root node a split point owned by `s`, its list generated and its first move taken.
    static void openAtRoot(Suche_t& s, Teilungspunkt_t& point, Teilungspunkt_t* parent) {
        Suchebene_t& node = s.root();
        const Zustand_t& state = node.state();
        uint32_t* begin = s.moveSlice(node);
        startPicker(node, begin, generate(s.pos_, state, begin));
        nextMove(s.pos_, node, s.history_[s.pos_.side]);
        node.movesTried = 1;
        point.position = s.pos_;
        point.node = &node;
        point.alpha = -MateScore;
        point.betaPrime = point.beta = MateScore;
        point.best = -MateScore;
        point.owner = &s;
        point.ownerWake = &s.threads_.wake;
        point.parent.store(parent);
        point.depth.store(8);
        point.workerLimit.store(4);
        point.picked.store(1);
        point.workers.store(1);
        point.open.store(true);
    }
    static void searchAsOwner(Suche_t& s, Teilungspunkt_t& point) {
        s.splitPoint_ = &point;
        s.searchSplitPoint(point, s.root(), nullptr);
        s.splitPoint_ = nullptr;
    }
};

namespace {

Stellung_t middlegame() {
    Stellung_t pos;
    Zustand_t state;
    EXPECT_TRUE(readFen(pos, state, "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 0 1"));
    return pos;
}

int threadCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(dir)) n += entry->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

}  // namespace

TEST(SplitPointPool, RefusesASplitWhenAllTwentyAreInUse) {
    SplitPointPool pool;
    std::set<Teilungspunkt_t*> taken;
    for (int i = 0; i < SplitPointCount; ++i) {
        Teilungspunkt_t* p = pool.allocate(10);
        ASSERT_NE(p, nullptr) << i;
        EXPECT_FALSE(p->free.load());
        taken.insert(p);
    }
    EXPECT_EQ(taken.size(), static_cast<size_t>(SplitPointCount));
    EXPECT_EQ(pool.inUse(), SplitPointCount);
    EXPECT_EQ(pool.allocate(10), nullptr);
    pool.release(**taken.begin());
    EXPECT_EQ(pool.allocate(10), *taken.begin());
}

TEST(SplitPointPool, WakesNoMoreIdleSearchersThanAsked) {
    SplitPointPool pool;
    WakeSignal a{0}, b{0}, c{0};
    for (WakeSignal* w : {&a, &b, &c}) EXPECT_TRUE(pool.enterIdle(w));
    pool.wakeIdle(2);  // the latest first
    EXPECT_EQ(pool.idleCount(), 1);
    EXPECT_FALSE(a.try_acquire());
    EXPECT_TRUE(b.try_acquire());
    EXPECT_TRUE(c.try_acquire());
    pool.wakeIdle(0);
    EXPECT_EQ(pool.idleCount(), 1);
    pool.wakeIdle(5);
    EXPECT_EQ(pool.idleCount(), 0);
    EXPECT_TRUE(a.try_acquire());
}

class SplitPointSearch : public ::testing::Test {
   protected:
    void SetUp() override { SplitPointProbe::prepare(*s, middlegame()); }
    std::unique_ptr<Suche_t> s = std::make_unique<Suche_t>();
    SplitPointPool& pool = SplitPointProbe::pool(*s);
    Teilungspunkt_t* outer = pool.allocate(12);
};

TEST_F(SplitPointSearch, NodesBelowACutSplitPointStopAtOnceAndStoreNothing) {
    Teilungspunkt_t* inner = pool.allocate(8);
    ASSERT_TRUE(outer && inner);
    inner->parent.store(outer);

    // A cutoff two levels up ends the search before a single node is counted.
    outer->cutoff.store(true);
    EXPECT_EQ(SplitPointProbe::searchBelow(*s, inner, 6), 0);
    EXPECT_EQ(SplitPointProbe::nodes(*s), 0u);
    Hashdaten_t entry;
    EXPECT_FALSE(s->table().probe(computeHashKey(middlegame()), 0, entry));

    // Without the cutoff the same call searches and stores.
    outer->cutoff.store(false);
    SplitPointProbe::searchBelow(*s, inner, 6);
    EXPECT_GT(SplitPointProbe::nodes(*s), 0u);
    EXPECT_TRUE(s->table().probe(computeHashKey(middlegame()), 0, entry));
}

// Alone at its split point the owner searches every move, unless a cutoff above makes the
// work worthless: then it takes no move, scores nothing, and leaves.
TEST_F(SplitPointSearch, AnOwnerAloneSearchesEveryMoveUnlessACutoffLiesAbove) {
    Zustand_t state;
    const Stellung_t pos = middlegame();
    computeState(pos, state);
    for (bool cut : {true, false}) {
        SCOPED_TRACE(cut ? "cut above" : "no cutoff");
        outer->cutoff.store(cut);
        Teilungspunkt_t* point = pool.allocate(8);
        ASSERT_TRUE(outer && point);
        SplitPointProbe::openAtRoot(*s, *point, outer);
        point->done.acquire();
        SplitPointProbe::searchAsOwner(*s, *point);
        EXPECT_EQ(point->picked.load(), cut ? 1 : countLegalMoves(pos, state));
        EXPECT_EQ(point->best > -MateScore, !cut);
        EXPECT_EQ(point->nodes > 0u, !cut);
        EXPECT_EQ(point->workers.load(), 0);
        EXPECT_TRUE(point->done.try_acquire());
        EXPECT_TRUE(cut || !point->open.load()) << "the list is used up, the point closed";
    }
}

// Helpers also take one of the machine's processors to work and give it back when they
// sleep: once they are all asleep after a search the count must be whole again, or
// helpers would starve (too few) or take working searchers' time (too many).
TEST(Helpers, FollowNumberOfProcessorsAndLeaveNoThreadBehind) {
    // Some tools (the thread sanitizer) start a thread of their own with the first one.
    std::thread([] {}).join();
    const int before = threadCount();
    const int hardware = static_cast<int>(std::thread::hardware_concurrency());
    {
        auto s = std::make_unique<Suche_t>();
        EXPECT_EQ(threadCount(), before + 1);  // the main search thread
        Optionen_t options(engineOptionTable);
        options.setNumber(OptionHash, 1);
        Zeitkontrolle_t time;
        Ausgabe_t silent;
        const Stellung_t pos = middlegame();
        uint64_t joins = 0;
        for (int processors : {4, 2, 1, 3}) {
            options.setNumber(OptionProcessors, processors);
            time.startSearch({.depth = 8});
            s->start(pos, options, time, 0, silent, nullptr, nullptr);
            s->waitIdle();
            EXPECT_EQ(s->helperCount(), processors - 1);
            EXPECT_EQ(threadCount(), before + processors);
            EXPECT_NE(s->lastBestMove(), 0);
            const int share = hardware > 0 ? std::min(processors - 1, hardware - 1) : processors - 1;
            const std::atomic<int>& free = SplitPointProbe::pool(*s).freeProcessors;
            for (int i = 0; i < 400 && free.load() != share; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_EQ(free.load(), share) << processors << " processors";
            joins += s->parallelStats().joins;  // the helpers' counters go with them
        }
        if (hardware > 1) {
            EXPECT_GT(joins, 0u) << "a helper searched at a split point";
        }
    }
    EXPECT_EQ(threadCount(), before);
}

}  // namespace tolvaren
