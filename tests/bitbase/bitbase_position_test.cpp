// Bitbase material names and indices (decoding over whole materials: the reference tests).
#include "bitbase/bitbase_position.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>
#include <tuple>

namespace tolvaren {

namespace {

BitbaseStellung_t material(const char* name) {
    BitbaseStellung_t p;
    EXPECT_TRUE(p.setMaterial(name)) << name;
    return p;
}

BitbaseStellung_t placed(const char* name, std::vector<int> squares, int side = 0, int ep = -1) {
    BitbaseStellung_t p = material(name);
    for (int i = 0; i < p.total; ++i) p.pieces[i].square = squares[i];
    p.sideToMove = side;
    p.epSquare = static_cast<int8_t>(ep);
    return p;
}

}  // namespace

TEST(BitbaseStellung, MaterialsAndPieceLists) {
    EXPECT_EQ(material("KBK").size, 262144u);
    EXPECT_EQ(material("KTTK").size, 2621440u);
    EXPECT_EQ(material("KSSSSK").size, 20ull * 64 * 64 * 64 * 64 * 64 / 4);
    // Special pawn: an odd count wins; two even counts fall back on side 0.
    for (auto [name, special] :
         {std::pair{"KTBKT", 2}, {"KBBKB", 4}, {"KBBKBB", 1}, {"KKBB", 2}, {"KSKB", 3}})
        EXPECT_EQ(material(name).specialPawn, special) << name;
    // Pairs skip the special pawn; a run of three pairs once.
    const BitbaseStellung_t kbbbk = material("KBBBK"), ksssk = material("KSSSK");
    EXPECT_EQ(std::vector<int>(kbbbk.pairMark, kbbbk.pairMark + 5), (std::vector<int>{0, 0, 1, 1, 0}));
    EXPECT_EQ(std::vector<int>(ksssk.pairMark, ksssk.pairMark + 5), (std::vector<int>{0, 1, 1, 0, 0}));
    BitbaseStellung_t p;
    for (const char* bad : {"", "KD", "DKK", "KXK", "KDDDDDK"}) EXPECT_FALSE(p.setMaterial(bad)) << bad;

    const int types0[] = {6, 5, 0}, squares0[] = {60, 3, 0}, types1[] = {6, 1, 0}, squares1[] = {4, 12, 0};
    ASSERT_TRUE(p.setPieces(types0, squares0, types1, squares1, 1, 0));
    EXPECT_STREQ(p.name, "KDKB");
    EXPECT_EQ(p.pieces[3].square, 12);
    EXPECT_FALSE(p.hasEp());  // 0 counts as none
    const int many[] = {6, 5, 5, 5, 5, 0}, manySquares[] = {60, 1, 2, 3, 5, 0};
    EXPECT_FALSE(p.setPieces(many, manySquares, types1, squares1, 0, -1));
    const int queenFirst[] = {5, 6, 0};  // "KD" + "DK" would read as KDD against K
    EXPECT_FALSE(p.setPieces(types0, squares0, queenFirst, squares1, 0, -1));
}

TEST(BitbaseStellung, SymmetryPairsAndPlaceholders) {
    // King b8, knights d8 and b6: pair code 3 + 17 * 16 / 2 = 139 either way round. With
    // the king on a8 the first knight decides the flip, and the two orders differ.
    EXPECT_EQ(placed("KSSK", {1, 3, 17, 63}).index() >> 6 & 2047, 139u);
    EXPECT_EQ(placed("KSSK", {1, 3, 17, 63}).index(), placed("KSSK", {1, 17, 3, 63}).index());
    EXPECT_NE(placed("KSSK", {0, 3, 17, 63}).index(), placed("KSSK", {0, 17, 3, 63}).index());

    // Every symmetric image of a pawnless position gives one index (king on the diagonal
    // in half of them: the first piece off it decides; all on it: no flip).
    const BitbaseStellung_t p = placed("KDKT", {45, 12, 7, 50}, 1);
    for (int mask : {0, 7, 56, 63})
        for (bool transpose : {false, true}) {
            BitbaseStellung_t q = p;
            for (int i = 0; i < q.total; ++i) {
                const int sq = q.pieces[i].square ^ mask;
                q.pieces[i].square = transpose ? ((sq & 7) << 3) | (sq >> 3) : sq;
            }
            EXPECT_EQ(q.index(), p.index()) << mask << transpose;
        }
    EXPECT_EQ(placed("KDK", {18, 9, 63}).index() & 63, 63u);
    EXPECT_EQ(placed("KBK", {60, 44, 4}).index(), placed("KBK", {59, 43, 3}).index());  // file mirror

    // Two captured knights share the placeholder: code 2016, decoded as both absent.
    BitbaseStellung_t gone = placed("KSSK", {0, 5, 6, 63}), back = material("KSSK");
    gone.pieces[1].type |= AbsentFlag;
    gone.pieces[2].type |= AbsentFlag;
    EXPECT_EQ(gone.index() >> 6 & 2047, 2016u);
    back.setIndex(gone.index());
    EXPECT_TRUE(!back.invalid() && back.absent(1) && back.absent(2) && back.pieces[3].square == 63);

    // A captured piece is judged at its placeholder (the king's square on the diagonal),
    // not at its old square: the twin across the diagonal has the same index.
    BitbaseStellung_t a = placed("KTTK", {18, 1, 62, 0}), b = placed("KTTK", {18, 12, 55, 0});
    a.pieces[1].type |= AbsentFlag;
    b.pieces[1].type |= AbsentFlag;
    EXPECT_EQ(a.index(), b.index());
    back = material("KTTK");
    back.setIndex(a.index());
    EXPECT_TRUE(back.absent(1));
    EXPECT_EQ(std::make_tuple(+back.pieces[1].square, +back.pieces[2].square), std::make_tuple(18, 55));

    // A queen on side 0's king square is captured; the other king there is no position.
    back = material("KDK");
    back.setIndex((uint64_t{2} * 64 + 1) * 64 + 50);  // start 2: king b8, side 0 to move
    EXPECT_TRUE(!back.invalid() && back.absent(1));
    back.setIndex((uint64_t{2} * 64 + 20) * 64 + 1);
    EXPECT_TRUE(back.invalid());
}

TEST(BitbaseStellung, EnPassantCodes) {
    // Side 0 pawn d5, side 1 pawn e5 or c5 after its double step: codes 3 and 59.
    const BitbaseStellung_t right = placed("KBKB", {60, 27, 4, 28}, 0, 20);
    const BitbaseStellung_t left = placed("KBKB", {60, 27, 4, 26}, 0, 18);
    const BitbaseStellung_t black = placed("KBKB", {60, 34, 4, 35}, 1, 42);  // d4 takes c3
    EXPECT_EQ(right.index() >> 18, 0u + 2 * 3);
    EXPECT_EQ(left.index() >> 18, 56u + 2 * 3);
    EXPECT_EQ(black.index() & 63, 3u);
    for (const BitbaseStellung_t* p : {&right, &left, &black}) {
        BitbaseStellung_t back = material("KBKB");
        back.setIndex(p->index());
        EXPECT_FALSE(back.invalid());
        EXPECT_EQ(std::make_tuple(+back.pieces[1].square, +back.pieces[3].square, +back.epSquare),
                  std::make_tuple(+p->pieces[1].square, +p->pieces[3].square, +p->epSquare));
    }
    BitbaseStellung_t invalid = material("KBKB");
    invalid.setIndex(right.index() - 28 + 12);  // the double-stepped pawn is missing
    EXPECT_TRUE(invalid.invalid());
    // The mirror compares the mirrored pawn with the unmirrored e.p. square: pawn e5
    // with e.p. f6 is indexed as the same position without the e.p. right.
    EXPECT_EQ(placed("KBKB", {60, 28, 4, 29}, 0, 21).index(), placed("KBKB", {60, 28, 4, 29}, 0, -1).index());
}

}  // namespace tolvaren
