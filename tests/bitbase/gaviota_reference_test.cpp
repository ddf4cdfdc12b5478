// Every legal three-piece placement, either side to move, against Debian's Gaviota tablebases.
#include <gtb-probe.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "bitbase/bitbase_cache.h"
#include "bitbase/bitbase_moves.h"
#include "bitbase_test_support.h"
#include "board/bitboard.h"

namespace tolvaren {

namespace {

constexpr unsigned char ReferencePiece[7] = {tb_NOPIECE, tb_PAWN,  tb_KNIGHT, tb_BISHOP,
                                             tb_ROOK,    tb_QUEEN, tb_KING};

class Reference {
   public:
    Reference() {
        if (!std::filesystem::exists(GAVIOTA_DATA "/kqk.gtb.cp4")) return;
        paths_ = tbpaths_add(tbpaths_init(), GAVIOTA_DATA);
        tb_init(0, tb_CP4, paths_);
        tbcache_init(16 << 20, 100);
        ready_ = tb_is_initialized() && tb_availability() != 0;
    }
    ~Reference() {
        tbcache_done();
        tb_done();
        if (paths_ != nullptr) tbpaths_done(paths_);
    }
    bool ready() const { return ready_; }

    // Does White (side 0) win? False with ok = false when the reference has no answer.
    bool whiteWins(const BitbaseStellung_t& p, bool& ok) const {
        unsigned squares[2][4];
        unsigned char pieces[2][4];
        int n[2] = {0, 0};
        for (int i = 0; i < p.total; ++i) {
            const int side = p.sideOf(i);
            squares[side][n[side]] = static_cast<unsigned>(p.pieces[i].square ^ 56);  // ours count from a8
            pieces[side][n[side]++] = ReferencePiece[p.baseType(i)];
        }
        for (int side = 0; side < 2; ++side) {
            squares[side][n[side]] = tb_NOSQUARE;
            pieces[side][n[side]] = tb_NOPIECE;
        }
        unsigned info = 0;
        ok = tb_probe_WDL_hard(p.sideToMove == 0 ? tb_WHITE_TO_MOVE : tb_BLACK_TO_MOVE, tb_NOSQUARE,
                               tb_NOCASTLE, squares[0], squares[1], pieces[0], pieces[1], &info) != 0 &&
             (info == tb_DRAW || info == tb_WMATE || info == tb_BMATE);
        return info == tb_WMATE;
    }

   private:
    const char** paths_ = nullptr;
    bool ready_ = false;
};

}  // namespace

TEST(BitbaseReference, ThreePieceFilesAgreeWithGaviota) {
    Reference reference;
    if (!reference.ready()) GTEST_SKIP() << "Gaviota tablebases not installed";
    test::ScratchDirectory dir;
    const char* materials[] = {"KDK", "KTK", "KLK", "KSK", "KBK", "KKD", "KKT", "KKL", "KKS", "KKB"};
    for (const char* name : materials) ASSERT_TRUE(test::generateQuietly(dir.path(), {name})) << name;

    BitbaseCache_t cache(4 << 20);
    cache.setPath(dir.path());
    for (const char* name : materials) {
        BitbaseStellung_t p;
        ASSERT_TRUE(p.setMaterial(name));
        const int mover = p.endSide0 == 2 ? 1 : 2;  // the piece beside the kings
        long compared = 0, mismatches = 0;
        for (int k0 = 0; k0 < 64; ++k0)
            for (int k1 = 0; k1 < 64; ++k1)
                for (int q = 0; q < 64; ++q)
                    for (int side = 0; side < 2; ++side) {
                        p.pieces[0].square = k0;
                        p.pieces[p.endSide0].square = k1;
                        p.pieces[mover].square = q;
                        p.sideToMove = side;
                        p.epSquare = -1;
                        // Pending promotions are ours only: a pawn on the last row is skipped.
                        if (p.baseType(mover) == Pawn && ((q >> 3) == 0 || (q >> 3) == 7)) continue;
                        if (!legalBitbasePosition(p)) continue;
                        bool ok = false;
                        const bool expected = reference.whiteWins(p, ok);
                        ASSERT_TRUE(ok) << name << " " << k0 << " " << k1 << " " << q << " " << side;
                        const int bit = cache.lookupBit(name, p.index(), false);
                        ASSERT_GE(bit, 0);
                        ++compared;
                        if ((bit == 1) != expected && ++mismatches <= 5)
                            ADD_FAILURE() << name << " " << k0 << " " << k1 << " " << q << " " << side;
                    }
        EXPECT_EQ(mismatches, 0) << name;
        EXPECT_GT(compared, 40000) << name;
    }
}

}  // namespace tolvaren
