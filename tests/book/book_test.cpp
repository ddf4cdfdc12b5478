// The opening book: the text format, Black's mirrored entries, the draw, the ponder move, rereading.
#include "book/book.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "board/board_test_support.h"
#include "board/notation.h"
#include "board/random.h"
#include "support/test_files.h"

namespace tolvaren {

namespace {

using test::Board;

using test::tempPath;
using test::writeTempFile;

// A book loaded from text.
struct LoadedBook {
    Buch_t book;
    bool ok;
    explicit LoadedBook(const std::string& text) : ok(book.load(writeTempFile("load", text))) {}
};

// The start position after the given coordinate moves, played as a game.
Board afterMoves(const std::string& moves) {
    Board b{};
    setStartPosition(b.pos, b.state);
    std::istringstream in(moves);
    for (std::string word; in >> word;) EXPECT_TRUE(b.play(word)) << moves;
    return b;
}

// n list ends.
std::string stars(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += "* ";
    return s;
}

std::string text(const Stellung_t& pos, Zug_t move) {
    char buffer[8];
    return writeCoordinate(pos, move, buffer);
}

// Every move the book can draw in the position, in entry order.
std::vector<std::string> bookMoves(const Buch_t& book, const Board& b) {
    std::vector<std::string> out;
    const auto [first, last] = book.entriesOf(whiteViewKey(b.pos, b.state));
    uint32_t r = 0;
    for (const Bucheintrag_t* e = first; e != last; r += static_cast<uint32_t>(e->weight), ++e) {
        Zug_t move = 0;
        EXPECT_TRUE(book.choose(b.pos, r, move, nullptr));
        out.push_back(text(b.pos, move));
    }
    return out;
}

}  // namespace

TEST(Buch, AnyErrorLeavesTheBookEmpty) {
    const std::string broken[] = {
        "",                                                  // nothing at all
        "e2e4 1 *",                                          // outermost list not closed
        "e2e4 1x * *",                                       // weight not a number
        "e2e4extra 1 * *",                                   // more than the move
        "e2e5 1 * *",                                        // reads as a move, cannot be played
        "g1f3 1 g8f6 1 f3g1 1 f6g8 1 startpos 0 * * * * *",  // startpos after moves, pieces home
        "startpos -1 e2e4 1 * *",                            // signed number
        "e2e4 1234567890 * *",                               // token of ten characters
        std::string("e2e4 1 * \0\0\0 *", 14),                // zero bytes are no separators
    };
    for (const std::string& text : broken) {
        LoadedBook b(text);
        EXPECT_FALSE(b.ok) << text;
        EXPECT_TRUE(b.book.entries().empty()) << text;
    }
}

TEST(Buch, VariantsThatRead) {
    // Any whitespace separates; nine characters are allowed; what follows the outermost
    // list is not read; castling in either spelling; signed weights; weight 0.
    LoadedBook b("\te2e4\r\n+00000003\n*\vd2d4 1 *\f* trailing words 123456789012");
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(bookMoves(b.book, afterMoves("")), (std::vector<std::string>{"e2e4", "d2d4"}));

    LoadedBook castle("e2e4 1 e7e5 1 g1f3 1 b8c6 1 f1c4 1 g8f6 1 O-O 2 * e1g1 1 * * * * * * * *");
    ASSERT_TRUE(castle.ok);
    EXPECT_EQ(bookMoves(castle.book, afterMoves("e2e4 e7e5 g1f3 b8c6 f1c4 g8f6")),
              (std::vector<std::string>{"e1g1", "e1g1"}));

    // Weights of 0 and below give no entry, but their lists are read.
    LoadedBook zero("e2e4 0 e7e5 5 * * d2d4 -3 d7d5 2 * * c2c4 1 * *");
    ASSERT_TRUE(zero.ok);
    EXPECT_EQ(zero.book.entries().size(), 3u);
    EXPECT_EQ(bookMoves(zero.book, afterMoves("")), (std::vector<std::string>{"c2c4"}));
    EXPECT_EQ(bookMoves(zero.book, afterMoves("e2e4")), (std::vector<std::string>{"e7e5"}));
    EXPECT_EQ(bookMoves(zero.book, afterMoves("d2d4")), (std::vector<std::string>{"d7d5"}));
}

TEST(Buch, StartposChoosesTheTreeRoot) {
    // Position 0 is BBQNNRKR, 518 the standard one; several start positions in one file.
    LoadedBook two("startpos 0 e1f3 4 e8f6 1 * * startpos 518 d2d4 1 * startpos 960 d1c3 1 * *");
    ASSERT_TRUE(two.ok);
    Board b{};
    setChess960Position(b.pos, b.state, 0);
    EXPECT_EQ(bookMoves(two.book, b), (std::vector<std::string>{"e1f3", "d1c3"}));
    EXPECT_EQ(bookMoves(two.book, afterMoves("")), (std::vector<std::string>{"d2d4"}));
}

// Random games written as book lines: each position of each game finds its move, the
// mirrored Black entries included, through castling, e.p. and promotions.
TEST(Buch, RandomGamesAreFoundAgainMoveByMove) {
    test::TestRandom random{12345};
    std::string file;
    struct Played {
        uint64_t key;
        uint32_t stored;  // as the book keeps it: Black's moves mirrored
        std::string where;
    };
    std::vector<Played> played;
    for (int game = 0; game < 40; ++game) {
        Board b = afterMoves("");
        size_t plies = 0;
        for (; plies < 120; ++plies) {
            const std::vector<Zug_t> legal = test::legalMoves(b.pos, b.state);
            if (legal.empty()) break;
            const Zug_t m = legal[random.next() % legal.size()];
            played.push_back({whiteViewKey(b.pos, b.state), b.pos.side == Black ? m ^ MirrorMoveMask : m,
                              test::fenOf(b.pos) + " " + text(b.pos, m)});
            file += text(b.pos, m) + " 1 ";
            ASSERT_TRUE(b.play(text(b.pos, m)));
        }
        file += stars(plies);
    }
    LoadedBook b(file + "*");
    ASSERT_TRUE(b.ok);
    for (const Played& p : played) {
        const auto [first, last] = b.book.entriesOf(p.key);
        EXPECT_TRUE(std::any_of(first, last, [&p](const Bucheintrag_t& e) { return e.move == p.stored; }))
            << p.where;
    }
}

TEST(Buch, DeepNestingReadsWithoutRecursion) {
    const char* cycle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    auto nested = [&cycle](int depth) {
        std::string s;
        for (int i = 0; i < depth; ++i) s += std::string(cycle[i % 4]) + " 1 ";
        return s + stars(depth + 1);
    };
    LoadedBook deep(nested(MaxBookLine));
    ASSERT_TRUE(deep.ok);
    EXPECT_EQ(deep.book.entries().size(), static_cast<size_t>(MaxBookLine));

    EXPECT_FALSE(LoadedBook(nested(MaxBookLine + 1)).ok);
}

TEST(Buch, DrawFollowsTheWeights) {
    LoadedBook b("e2e4 3 * d2d4 1 * *");
    ASSERT_TRUE(b.ok);
    const Board start = afterMoves("");
    // The walk: r mod 4 in 0..2 is e2e4, 3 is d2d4.
    for (uint32_t r : {0u, 1u, 2u, 3u, 6u, 7u, 4294967295u}) {
        Zug_t move = 0;
        ASSERT_TRUE(b.book.choose(start.pos, r, move, nullptr));
        EXPECT_EQ(text(start.pos, move), r % 4 == 3 ? "d2d4" : "e2e4") << r;
    }

    // 400 draws from the seeded generator through the probe: chi-square of one degree of freedom
    // below 10.83 (p = 0.001) is (e4 - 300)^2 (1/300 + 1/100) < 10.83, so e4 within 28 of 300.
    const std::string path = writeTempFile("draw", "e2e4 3 * d2d4 1 * *");
    Buch_t book;
    Zufall_t::global().seed(2718);
    int e4 = 0;
    for (int i = 0; i < 400; ++i) {
        Zug_t move = 0;
        ASSERT_TRUE(book.probe(path, start.pos, move, nullptr));
        e4 += text(start.pos, move) == "e2e4";
    }
    EXPECT_NEAR(e4, 300, 28);
}

// Entries are kept heaviest first, whatever the file's order: the ponder move is the first reply.
TEST(Buch, PonderMoveIsTheHeaviestReply) {
    LoadedBook b("e2e4 10 e7e5 5 g1f3 1 * * c7c5 7 * * d2d4 1 * *");
    ASSERT_TRUE(b.ok);
    Zug_t move = 0, ponder = 1;
    ASSERT_TRUE(b.book.choose(afterMoves("").pos, 1, move, &ponder));
    EXPECT_EQ(text(afterMoves("e2e4").pos, ponder), "c7c5");  // the heavier, though listed second
    // Black's book move, White's reply mirrored back; a move without a reply has no ponder move.
    const Board e4 = afterMoves("e2e4");
    ASSERT_TRUE(b.book.choose(e4.pos, 0, move, &ponder));
    EXPECT_EQ(ponder, 0);
    ASSERT_TRUE(b.book.choose(e4.pos, 10, move, &ponder));
    EXPECT_EQ(text(e4.pos, move), "e7e5");
    EXPECT_EQ(text(afterMoves("e2e4 e7e5").pos, ponder), "g1f3");
}

// Reading once per name spares the disk at every move; a new name, or going back, reads again.
TEST(Buch, ReadsAgainOnlyForANewName) {
    const std::string a = writeTempFile("a", "e2e4 1 * *");
    const Board start = afterMoves("");
    Buch_t book;
    Zug_t move = 0;
    ASSERT_TRUE(book.probe(a, start.pos, move, nullptr));
    writeTempFile("a", "d2d4 1 * *");
    ASSERT_TRUE(book.probe(a, start.pos, move, nullptr));
    EXPECT_EQ(text(start.pos, move), "e2e4");  // same name: not read again

    EXPECT_FALSE(book.probe(tempPath("missing"), start.pos, move, nullptr));
    ASSERT_TRUE(book.probe(a, start.pos, move, nullptr));
    EXPECT_EQ(text(start.pos, move), "d2d4");
}

}  // namespace tolvaren
