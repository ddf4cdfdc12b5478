#include "board/perft.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board_test_support.h"

namespace tolvaren {
namespace {

struct PerftCase {
    const char* fen;
    std::vector<uint64_t> counts;  // depths 1, 2, ...
};

// Published counts of the well-known test positions (standard and Chess960).
const PerftCase Cases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {20, 400, 8902, 197281, 4865609}},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", {48, 2039, 97862, 4085603}},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", {14, 191, 2812, 43238, 674624, 11030083}},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", {6, 264, 9467, 422333}},
    {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", {6, 264, 9467, 422333}},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", {44, 1486, 62379, 2103487}},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", {46, 2079, 89890, 3894594}},
    {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", {21, 528, 12189, 326672}},
    {"2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe - 1 9", {21, 807, 18002, 667366}},
    {"b1q1rrkb/pppppppp/3nn3/8/P7/1PPP4/4PPPP/BQNNRKRB w GE - 1 9", {20, 479, 10471, 273318}},
    {"qbbnnrkr/2pp2pp/p7/1p2pp2/8/P3PP2/1PPP1KPP/QBBNNR1R w hf - 0 9", {22, 593, 13440, 382958}},
    {"1nbbnrkr/p1p1ppp1/3p4/1p3P1p/3Pq2P/8/PPP1P1P1/QNBBNRKR w HFhf - 0 9", {28, 1120, 31058, 1171749}},
};

TEST(Perft, PublishedCountsWithAndWithoutTable) {
    for (const PerftCase& c : Cases) {
        auto b = testing::boardFromFen(c.fen);
        for (size_t d = 0; d < c.counts.size(); ++d) {
            PerftTabelle_t none(0);
            EXPECT_EQ(perft(none, b.pos, b.state, static_cast<int>(d + 1)), c.counts[d])
                << c.fen << " depth " << d + 1;
        }
        PerftTabelle_t table(1 << 20);
        for (int d = static_cast<int>(c.counts.size()); d >= 1; --d)
            EXPECT_EQ(perft(table, b.pos, b.state, d), c.counts[d - 1]) << c.fen << " hashed depth " << d;
        EXPECT_EQ(testing::fenOf(b.pos), testing::fenOf(testing::boardFromFen(c.fen).pos));
    }
}

TEST(Perft, TableSizeIsLargestPowerOfTwoOfEntries) {
    EXPECT_EQ(PerftTabelle_t(0).size(), 0u);
    EXPECT_EQ(PerftTabelle_t(23).size(), 0u);
    EXPECT_EQ(PerftTabelle_t(24).size(), 1u);
    EXPECT_EQ(PerftTabelle_t(24 * 5).size(), 4u);
    EXPECT_EQ(PerftTabelle_t(1 << 20).size(), 32768u);  // 43690 entries fit
    PerftTabelle_t t(24 * 4);
    t.store(5, 3, 1000);
    t.store(9, 2, 10);  // same slot: shallower and much smaller, so the old entry stays
    uint64_t n = 0;
    EXPECT_TRUE(t.probe(5, 3, n));
    EXPECT_EQ(n, 1000u);
    EXPECT_FALSE(t.probe(5, 2, n));
    t.store(9, 3, 600);
    EXPECT_TRUE(t.probe(9, 3, n));
}

}  // namespace
}  // namespace tolvaren
