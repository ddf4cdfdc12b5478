// Move ordering: history growth and rescaling, the killer rule, and the picker's order (table
// move, recapture, then captures by value, history, killers, quiet moves).
#include "search/move_picker.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "search/history.h"
#include "search/ply_record.h"

namespace tolvaren {

namespace {

constexpr Zug_t KnightF3 = makeMove(62, 45, ZugSpringer);  // g1f3
constexpr Zug_t PawnE4 = makeMove(52, 36, ZugBauer);       // e2e4

// A node with its parent record, as the search lays them out.
struct PickerFixture {
    std::unique_ptr<Stellung_t> pos = std::make_unique<Stellung_t>();
    std::unique_ptr<Suchebene_t[]> records = std::make_unique<Suchebene_t[]>(3);
    std::unique_ptr<Historie_t> history = std::make_unique<Historie_t>();
    uint32_t list[MaxMoves] = {};

    PickerFixture(const char* fen, const char* lastMove = nullptr) {
        EXPECT_TRUE(readFen(*pos, records[0].child, fen));
        if (lastMove) {
            // The move that led here, read as the opponent's move from its origin square.
            const Zug_t m = static_cast<Zug_t>(
                makeMove(squareFromName(lastMove), squareFromName(lastMove + 2), ZugSpringer));
            records[0].move = m;
        }
        startPicker(node(), list, generate(*pos, records[0].child, list));
    }
    Suchebene_t& node() { return records[1]; }
    static int squareFromName(const char* s) { return squareOf(s[0] - 'a', s[1] - '0'); }
    std::string next() {
        const Zug_t m = nextMove(*pos, node(), *history);
        char buffer[8];
        return m ? writeCoordinate(*pos, m, buffer) : "";
    }
};

}  // namespace

TEST(History, IncrementGrowsEveryFewCutoffsAndCeilingFollowsTheCounter) {
    Historie_t h;
    h.reward(KnightF3, 0);  // accumulator 2: no growth yet
    EXPECT_EQ(h.counters[Historie_t::index(KnightF3)], 0x10000u);
    EXPECT_EQ(h.increment, 0x10000u);
    h.reward(KnightF3, 0);  // accumulator 4 > 3: grows by 1/32 before adding
    EXPECT_EQ(h.increment, 0x10800u);
    EXPECT_EQ(h.counters[Historie_t::index(KnightF3)], 0x20800u);
    EXPECT_EQ(h.ceiling, 0x40000u);
    EXPECT_EQ(h.shift, 2);
}

TEST(History, PassingTheLimitDividesEveryCounterBy2048) {
    auto h = std::make_unique<Historie_t>();
    h->counters[Historie_t::index(PawnE4)] = 0x12345678;
    h->counters[Historie_t::index(KnightF3)] = 0x3C000000 - 0x8000;
    h->ceiling = 0x40000000;
    h->shift = 14;
    h->increment = 0x10000;
    h->accumulator = 0;
    h->reward(KnightF3, 0);
    EXPECT_EQ(h->counters[Historie_t::index(KnightF3)], (0x3C000000u + 0x8000u) >> 11);
    EXPECT_EQ(h->counters[Historie_t::index(PawnE4)], 0x12345678u >> 11);
    EXPECT_EQ(h->increment, 32u);  // 0x10000 >> 11 is 32 exactly, the floor
    EXPECT_EQ(h->ceiling, 0x40000000u >> 11);
    EXPECT_EQ(h->shift, 3);
    // The relative order of the two moves is kept.
    EXPECT_GT(h->component(KnightF3), h->component(PawnE4));
}

TEST(Killers, CornerLastMoveSquareAndEnPassantNeverBecomeKillers) {
    auto records = std::make_unique<Suchebene_t[]>(3);
    Suchebene_t& rec = records[1];
    records[0].move = makeMove(12, 28, ZugBauer);  // the opponent's e7e5

    updateKillers(rec, makeMove(15, 7, ZugTurm));       // to h8
    updateKillers(rec, makeMove(36, 28, ZugSpringer));  // onto e5, found as a recapture anyway
    updateKillers(rec, makeMove(27, 20, ZugEnPassant));
    EXPECT_EQ(rec.killer1, 0u);

    updateKillers(rec, KnightF3);
    updateKillers(rec, PawnE4);
    updateKillers(rec, PawnE4);  // the first killer again changes nothing
    EXPECT_EQ(rec.killer1, PawnE4);
    EXPECT_EQ(rec.killer2, KnightF3);
}

TEST(MovePicker, TableMoveFirstThenTheCheaperRecapture) {
    // The table move comes even before the e4 pawn takes the queen on d5.
    PickerFixture table("4k3/8/8/3q4/4P3/8/8/R3K3 w - - 0 1");
    table.node().tt.move = makeMove(56, 48, ZugTurm);  // a1a2
    EXPECT_EQ(table.next(), "a1a2");
    EXPECT_EQ(table.next(), "e4d5");
    // Black's knight has just taken on e5: pawn d4 takes back before knight f3.
    PickerFixture f("rnbqkb1r/pppp1ppp/8/4n3/3P4/5N2/PPP1PPPP/RNBQKB1R w KQkq - 0 1", "c6e5");
    EXPECT_EQ(f.next(), "d4e5");
    EXPECT_EQ(f.next(), "f3e5");
}

TEST(MovePicker, CapturesByValueThenHistoryThenKillers) {
    // Pawn takes rook beats knight takes rook; a full history counter outweighs a killer,
    // which still comes before the other quiet moves.
    PickerFixture f("4k3/8/8/3r4/2P5/4N3/8/4K3 w - - 0 1");
    const Zug_t killer = makeMove(60, 53, ZugKoenig);       // e1f2
    const Zug_t historyMove = makeMove(60, 61, ZugKoenig);  // e1f1
    f.node().killer1 = killer;
    f.history->reward(historyMove, 10);
    std::vector<std::string> order;
    for (std::string m; !(m = f.next()).empty();) order.push_back(m);
    ASSERT_GE(order.size(), 4u);
    order.resize(4);
    EXPECT_EQ(order, (std::vector<std::string>{"c4d5", "e3d5", "e1f1", "e1f2"}));
}

}  // namespace tolvaren
