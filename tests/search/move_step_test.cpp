// The move plan of the three move loops: the cases in which split points and the root
// plan a move differently from an inner node. The bench guards inner nodes and the root
// of a one-thread search; split points are planned here for certain.
#include "search/move_step.h"

#include <gtest/gtest.h>

#include <memory>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "board/position.h"

namespace tolvaren {

namespace {

// A node from a FEN, deep enough and far enough into its list for late-move reductions.
struct PlanFixture {
    std::unique_ptr<Stellung_t> pos = std::make_unique<Stellung_t>();
    Zustand_t state{}, after{};
    StepNode node;
    StepMove move;

    explicit PlanFixture(const char* fen) {
        EXPECT_TRUE(readFen(*pos, state, fen));
        node.state = &state;
        node.us = pos->side;
        node.them = pos->side ^ 1;
        node.enemyKing = bit(pos->sides[pos->side ^ 1].kingSquare());
        node.inCheck = inCheck(*pos, state);
        node.depth = 8;
        move.after = &after;
        move.tried = 5;
        move.alpha = 0;
        move.betaPrime = 1;
        move.searched = 4;
    }

    MoveStep plan(const char* text, NodeKind kind) {
        move.move = readCoordinate(*pos, text);
        EXPECT_NE(move.move, 0) << text;
        node.kind = kind;
        Rueckzug_t undo;
        EXPECT_TRUE(playMove(*pos, move.move, state, after, undo)) << text;
        move.captured = undo.capturedType;
        const MoveStep step = planMove(*pos, node, move);
        takeBack(undo);
        return step;
    }
};

}  // namespace

TEST(MoveStep, SplitPointsExtendEverySafeCheckAndNoEvasionAndReduceNoCapture) {
    // A quiet late move is reduced by both, a safe rook check extended by the split point only.
    PlanFixture rook("4k3/8/8/8/8/8/8/R5K1 w - - 0 1");
    const MoveStep quietInner = rook.plan("a1a2", NodeKind::Inner);
    const MoveStep quietSplit = rook.plan("a1a2", NodeKind::SplitPoint);
    EXPECT_GT(quietInner.reduction, 0);
    EXPECT_EQ(quietSplit.reduction, quietInner.reduction);
    const MoveStep checkInner = rook.plan("a1a8", NodeKind::Inner);
    const MoveStep checkSplit = rook.plan("a1a8", NodeKind::SplitPoint);
    EXPECT_EQ(checkInner.extension, 0);
    EXPECT_EQ(checkInner.reduction, 0);
    EXPECT_EQ(checkSplit.extension, 1);
    EXPECT_EQ(checkSplit.reduction, 0);

    // A king stepping out of check: extended by inner nodes and the root only.
    PlanFixture check("4k3/8/8/8/8/8/4r3/4K3 w - - 0 1");
    EXPECT_EQ(check.plan("e1d1", NodeKind::Inner).extension, 1);
    EXPECT_EQ(check.plan("e1d1", NodeKind::Root).extension, 1);
    EXPECT_EQ(check.plan("e1d1", NodeKind::SplitPoint).extension, 0);

    // The queen takes a pawn the e-pawn defends: inner nodes reduce the capture.
    PlanFixture capture("4k3/8/4p3/3p4/8/8/8/3QK3 w - - 0 1");
    EXPECT_GT(capture.plan("d1d5", NodeKind::Inner).reduction, 0);
    EXPECT_EQ(capture.plan("d1d5", NodeKind::SplitPoint).reduction, 0);
}

TEST(MoveStep, OnlyInnerNodesPruneAndTheRootReducesAfterItsMultiPvLines) {
    PlanFixture f("4k3/8/8/8/8/8/8/R5K1 w - - 0 1");
    f.node.depth = 1;
    f.node.staticEval = -3000;
    EXPECT_TRUE(f.plan("a1a2", NodeKind::Inner).prune);
    EXPECT_FALSE(f.plan("a1a2", NodeKind::SplitPoint).prune);
    EXPECT_FALSE(f.plan("a1a2", NodeKind::Root).prune);
    f.node.staticEval = 0;  // near alpha: searched
    EXPECT_FALSE(f.plan("a1a2", NodeKind::Inner).prune);

    f.node.depth = 8;
    f.node.multiPv = 2;
    f.move.searched = 2;
    EXPECT_EQ(f.plan("a1a2", NodeKind::Root).reduction, 0);
    f.move.searched = 3;
    EXPECT_EQ(f.plan("a1a2", NodeKind::Root).reduction, RootReduction);
    EXPECT_EQ(f.plan("a1a8", NodeKind::Root).reduction, 0);  // a check
}

}  // namespace tolvaren
