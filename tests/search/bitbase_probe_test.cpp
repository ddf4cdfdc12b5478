// A searcher's bitbase probe: verdicts from White's view whoever moves and whoever holds
// the material, what the options configure, and helpers reading through the main probe's
// loader with hit counts of their own.
#include "search/bitbase_probe.h"

#include <gtest/gtest.h>

#include <memory>

#include "bitbase/bitbase_test_support.h"
#include "board/board_test_support.h"
#include "search/options.h"

namespace tolvaren {

namespace {

// The verdict for a position, or 2 when the probe knows none.
int32_t verdict(BitbaseProbe& probe, const char* fen, bool onlyCached = false) {
    auto board = std::make_unique<test::Board>(test::boardFromFen(fen));
    int32_t result = 2;
    return probe.probe(board->pos, onlyCached, result) ? result : 2;
}

}  // namespace

// Rook against bishop, once won by Rxd5 and once drawn, each beside its colour mirror
// (sides exchanged, ranks flipped), where the verdict changes sign.
TEST(BitbaseProbe, VerdictsAreWhitesThroughTheMainProbeAndItsHelpers) {
    test::ScratchDirectory dir;
    ASSERT_TRUE(test::generateQuietly(dir.path(), {"KTK", "KLK", "KTKL", "KLKT"}));
    auto options = std::make_unique<Optionen_t>(engineOptionTable);
    options->setNumber(OptionBitbaseCache, 1);
    options->setNumber(OptionProcessors, 2);
    options->setText(OptionBitbasePath, dir.path().c_str(), 0);
    BitbaseProbe main;
    BitbaseProbe helper{main};
    BitbaseProbe* helpers[1] = {&helper};
    ASSERT_TRUE(main.configure(*options, helpers, 1));
    EXPECT_TRUE(main.hasBuckets());
    EXPECT_TRUE(helper.hasBuckets());

    const char* const won = "8/8/8/3b4/8/4k3/8/3R2K1 w - - 0 1";
    const char* const wonMirrored = "3r2k1/8/4K3/8/3B4/8/8/8 b - - 0 1";
    EXPECT_EQ(verdict(main, won), 1);
    EXPECT_EQ(verdict(main, wonMirrored), -1);
    EXPECT_EQ(verdict(main, "8/8/4k3/3b4/8/8/3RK3/8 w - - 0 1"), 0);
    EXPECT_EQ(verdict(main, "8/3rk3/8/8/3B4/4K3/8/8 b - - 0 1"), 0);
    // No file for the material, or more pieces than any bitbase holds: unknown.
    EXPECT_EQ(verdict(main, "8/8/8/4k3/8/8/3RKB2/8 w - - 0 1"), 2);
    EXPECT_EQ(verdict(main, "8/8/8/pppk4/8/8/PPP1K2R/8 w - - 0 1"), 2);
    const uint32_t mainHits = main.hits();
    EXPECT_EQ(mainHits, 4u);

    // The helper reads the same files through the main probe's loader and counts apart.
    EXPECT_EQ(verdict(helper, wonMirrored), -1);
    EXPECT_EQ(verdict(helper, won), 1);
    EXPECT_EQ(helper.hits(), 2u);
    EXPECT_EQ(main.hits(), mainHits);
    // Once a block is in the helper's cache, a probe that may not read files still answers.
    EXPECT_EQ(verdict(helper, won, true), 1);

    // A new search starts the counts afresh; without memory nothing is probed.
    ASSERT_TRUE(main.configure(*options, helpers, 1));
    EXPECT_EQ(main.hits() + helper.hits(), 0u);
    options->setNumber(OptionBitbaseCache, 0);
    ASSERT_TRUE(main.configure(*options, helpers, 1));
    EXPECT_FALSE(main.hasBuckets());
    EXPECT_FALSE(helper.hasBuckets());
    EXPECT_EQ(verdict(helper, won), 2);
}

}  // namespace tolvaren
