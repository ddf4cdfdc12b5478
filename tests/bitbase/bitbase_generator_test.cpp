// Bitbase generation: failures, threads, the KPK table and the defining property of a win.
#include "bitbase/bitbase_generator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bitbase/bitbase_cache.h"
#include "bitbase/bitbase_moves.h"
#include "bitbase_test_support.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "search/kpk.h"

namespace tolvaren {

namespace {

using test::ScratchDirectory;

// Side 0's win bit of a board position (White is side 0), read through the cache.
int side0Wins(BitbaseCache_t& cache, const Stellung_t& pos) {
    constexpr int Order[6] = {King, Queen, Rook, Bishop, Knight, Pawn};
    int types[2][7] = {}, squares[2][6] = {};
    for (int color = 0; color < 2; ++color) {
        int n = 0;
        for (const int type : Order)
            for (int k = 0; k < pos.sides[color].count[type]; ++k) {
                types[color][n] = type;
                squares[color][n++] = pos.sides[color].squares(type)[k];
            }
    }
    if (types[0][1] == 0) return 0;  // a bare king never wins: no file needed
    BitbaseStellung_t p;
    if (!p.setPieces(types[0], squares[0], types[1], squares[1], pos.side, pos.epSquare ? pos.epSquare : -1))
        return -1;
    return cache.lookupBit(p.name, p.index(), false);
}

std::string fenOf(const BitbaseStellung_t& p) {
    std::string board(64, '1');
    for (int i = 0; i < p.total; ++i) {
        const char letter = "-pnbrqk"[p.baseType(i)];
        board[p.pieces[i].square] = p.sideOf(i) == 0 ? static_cast<char>(letter - 'a' + 'A') : letter;
    }
    std::string fen;
    for (int row = 0; row < 8; ++row) fen += board.substr(8 * row, 8) + (row < 7 ? "/" : "");
    return fen + (p.sideToMove == 0 ? " w - - 0 1" : " b - - 0 1");
}

// Checks on random legal positions of a pawnless material that side 0 wins exactly when, with
// side 0 to move, some move wins, and with side 1 to move, side 1 is mated or has
// moves that all lose. Returns the number of positions checked.
int checkDefiningProperty(BitbaseCache_t& cache, const char* material, int samples) {
    BitbaseStellung_t p;
    EXPECT_TRUE(p.setMaterial(material));
    std::mt19937_64 random(12345);
    int checked = 0, failures = 0;
    for (int attempt = 0; checked < samples && attempt < 50 * samples; ++attempt) {
        for (int i = 0; i < p.total; ++i) p.pieces[i].square = static_cast<int>(random() % 64);
        p.sideToMove = static_cast<int>(random() % 2);
        p.epSquare = -1;
        Stellung_t pos;
        Zustand_t state;
        if (!legalBitbasePosition(p) || !readFen(pos, state, fenOf(p))) continue;
        const int own = side0Wins(cache, pos);
        uint32_t list[MaxMoves];
        uint32_t* end = generate(pos, state, list);
        int moves = 0, wins = 0;
        for (uint32_t* m = list; m != end; ++m) {
            Zustand_t next;
            Rueckzug_t undo;
            if (!playMove(pos, moveOf(*m), state, next, undo)) continue;
            const int successor = side0Wins(cache, pos);
            takeBack(undo);
            EXPECT_GE(successor, 0) << fenOf(p);
            ++moves;
            wins += successor == 1;
        }
        const bool expected =
            pos.side == White ? wins > 0 : (moves == 0 ? inCheck(pos, state) : wins == moves);
        if ((own == 1) != expected && ++failures <= 5) ADD_FAILURE() << material << ": " << fenOf(p);
        ++checked;
    }
    EXPECT_EQ(failures, 0) << material;
    return checked;
}

// Every legal position of two files of one material has the same bit.
void expectSameBits(const std::string& dirA, const std::string& dirB, const char* material) {
    BitbaseCache_t a(4 << 20), b(4 << 20);
    a.setPath(dirA);
    b.setPath(dirB);
    BitbaseStellung_t p;
    ASSERT_TRUE(p.setMaterial(material));
    long differences = 0, legal = 0;
    for (uint64_t i = 0; i < p.size; ++i) {
        p.setIndex(i);
        if (!legalBitbasePosition(p)) continue;
        ++legal;
        differences += a.lookupBit(material, i, false) != b.lookupBit(material, i, false);
    }
    EXPECT_GT(legal, 0);
    EXPECT_EQ(differences, 0) << material;
}

}  // namespace

TEST(BitbaseGeneration, LinesBareKingsAndFailures) {
    ScratchDirectory dir;
    const auto kdk = test::generate(dir.path(), "KDK");
    ASSERT_EQ(kdk.status, 0) << kdk.err;
    EXPECT_EQ(kdk.out.rfind("KDK: Iteration 0 fertig\nKDK: Iteration 1: ", 0), 0u) << kdk.out;
    // A bare king as side 0 needs no analysis and prints nothing.
    const auto kkd = test::generate(dir.path(), "KKD");
    ASSERT_EQ(kkd.status, 0);
    EXPECT_TRUE(kkd.out.empty());

    // A file that cannot be written is a failure, not a success.
    const auto unwritable = test::generate(dir.path("no/such/directory"), "KDK");
    EXPECT_NE(unwritable.status, 0);
    EXPECT_NE(unwritable.err.find("error writing file"), std::string::npos);

    // A missing promotion file is named once; its positions stay open, the run succeeds.
    const auto partial = test::generate(dir.path(), "KBK");
    EXPECT_EQ(partial.status, 0);
    EXPECT_NE(partial.err.find("KTK.abb"), std::string::npos) << partial.err;
    EXPECT_EQ(partial.err.find("KTK.abb"), partial.err.rfind("KTK.abb"));
}

TEST(BitbaseGeneration, SixPiecesAreRefusedBeforeAnyMemoryIsTaken) {
    ScratchDirectory dir;
    // Six pieces do not fit the file format: refused before its 8 GB work array is touched.
    const auto six = test::generate(dir.path(), "KBBBBK");
    EXPECT_NE(six.status, 0);
    EXPECT_EQ(six.err,
              "KBBBBK: 34359738368 positions are too many for a bitbase file (at most 3435973836)\n");
    EXPECT_TRUE(six.out.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.path("KBBBBK.abb")));
}

TEST(BitbaseGeneration, PawnFileAgreesAcrossThreadsAndWithTheKpkTable) {
    ScratchDirectory one, two;
    ASSERT_TRUE(test::generateQuietly(one.path(), {"KDK", "KTK", "KLK", "KSK", "KBK", "KKT", "KLKT"}));
    for (const char* name : {"KDK", "KTK", "KLK", "KSK", "KKT"})
        std::filesystem::copy_file(one.path(std::string(name) + ".abb"),
                                   two.path(std::string(name) + ".abb"));
    ASSERT_TRUE(test::generateQuietly(two.path(), {"KBK"}, 2));
    ASSERT_TRUE(test::generateQuietly(two.path(), {"KLKT"}, 3));
    expectSameBits(one.path(), two.path(), "KBK");
    expectSameBits(one.path(), two.path(), "KLKT");

    // Every king-and-pawn position against the table the engine builds by itself.
    BitbaseCache_t cache(4 << 20);
    cache.setPath(one.path());
    BitbaseStellung_t p;
    ASSERT_TRUE(p.setMaterial("KBK"));
    long compared = 0, differences = 0;
    for (int pawn = 8; pawn < 56; ++pawn)
        for (int strong = 0; strong < 64; ++strong)
            for (int weak = 0; weak < 64; ++weak)
                for (int side = 0; side < 2; ++side) {
                    p.pieces[0].square = strong;
                    p.pieces[1].square = pawn;
                    p.pieces[2].square = weak;
                    p.sideToMove = side;
                    p.epSquare = -1;
                    if (!legalBitbasePosition(p)) continue;
                    const int plies = probeKPK(side == 0, strong, weak, pawn);
                    if (plies == KPKTabelle_t::Illegal) continue;
                    ++compared;
                    differences += (cache.lookupBit("KBK", p.index(), false) == 1) != (plies > 0);
                }
    EXPECT_GT(compared, 150000);
    EXPECT_EQ(differences, 0);
}

TEST(BitbaseGeneration, FourPieceWinsFollowFromTheMoves) {
    ScratchDirectory dir;
    ASSERT_TRUE(test::generateQuietly(dir.path(), {"KTK", "KTTK"}));
    BitbaseCache_t cache(8 << 20);
    cache.setPath(dir.path());
    EXPECT_EQ(checkDefiningProperty(cache, "KTTK", 4000), 4000);

    // Legal positions whose index decodes to a twin with another index (the diagonal
    // flip seen through sorted rook pairs) carry the twin's bit, not a free one.
    BitbaseStellung_t p;
    ASSERT_TRUE(p.setMaterial("KTTK"));
    long twins = 0, differences = 0;
    for (uint64_t i = 0; i < p.size; ++i) {
        p.setIndex(i);
        if (!legalBitbasePosition(p) || p.index() == i) continue;
        ++twins;
        differences += cache.lookupBit("KTTK", i, false) != cache.lookupBit("KTTK", p.index(), false);
    }
    EXPECT_GT(twins, 0);
    EXPECT_EQ(differences, 0);
}

}  // namespace tolvaren
