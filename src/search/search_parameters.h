// The search's tuned numbers in one place: margins, depth limits, reduction and
// aspiration steps. Depths are in half-plies, scores in 1/10 centipawns.
#pragma once

#include <cstdint>

namespace tolvaren {

// Score scale: a mate delivered n plies from the root is worth MateScore - n.
constexpr int32_t MateScore = 500000;
constexpr int32_t MateRange = 450000;  // magnitudes from here up are mates (and bitbase verdicts)
constexpr int32_t DrawScore = 0;

// Ply records per searcher; the root uses the third so that the two before it can
// stand for the moves that led to the root.
constexpr int PlyRecordCount = 206;
constexpr int RootRecord = 2;
constexpr int MaxSearchPly = 99;  // a node beyond this ply returns a draw score

constexpr int MaxIterations = 100;
constexpr int MaxPvLength = 99;  // moves of a reported principal variation

// Aspiration window around the previous iteration's score, widened by 192/1024 per retry.
constexpr int32_t AspirationDelta = 500;
constexpr int32_t AspirationGrowth = 192;
// Root moves after the first MultiPV ones that are quiet and calm are searched 2 half-plies shallower.
constexpr int RootReduction = 2;

// Reports: iteration statistics and the current root move only in long searches.
constexpr int64_t IterationReportMillis = 2000;
constexpr int64_t CurrentMoveReportMillis = 4000;
// PV lines may be held back early in a search when nothing interesting changed.
constexpr int64_t SilentPvMillis = 1000;
constexpr int32_t SilentPvScoreChange = 100;
constexpr int PonderPollMillis = 20;

// Null move: R = 4 up to depth 19, 5 beyond, one more beyond depth 35.
constexpr int NullMoveSmallR = 4;
constexpr int NullMoveLargeRDepth = 19;
constexpr int NullMoveExtraRDepth = 35;

// Futility: quiet moves at depth <= 3 whose static evaluation is far below alpha.
constexpr int FutilityMaxDepth = 3;
constexpr int32_t FutilityMarginDepth1 = 1000;
constexpr int32_t FutilityMargin = 5000;

// Late-move reductions: k counts the moves (and captures) tried before.
constexpr int LmrSmallMaxK = 7;
constexpr int LmrMediumMaxK = 13;
constexpr int LmrSmall = 2;

// First-move help: below this depth the queen contact check, from it on the child-table scan.
constexpr int ChildScanDepth = 10;

// A node whose first move needed fewer nodes than this never offers its moves to helpers.
constexpr uint64_t MinSplitFirstMoveNodes = 18;
constexpr int MinSplitDepth = 4;

// Quiescence: delta-pruning margins for any capture, for pawns two steps and one step
// from promotion, and extra when the opponent is down to one pawn, whose capture may
// decide the game. They shrink by the step per quiescence ply.
constexpr int32_t DeltaMargin = 750;
constexpr int32_t DeltaMarginPawnTwoSteps = 885;
constexpr int32_t DeltaMarginPawnOneStep = 1430;
constexpr int32_t DeltaMarginLastPawn = 500;
constexpr int32_t QuiescenceMarginStep = 65;
constexpr int32_t QuiescenceAllTargets = 530;
constexpr int32_t QuietCheckMargin = 769;

// Bitbase verdict scores and the bonus of moves in a won bitbase position.
constexpr int32_t BitbaseVerdict = 450000;
constexpr int32_t BitbaseBonus = 1500;

// Piece worth in pawns for the "captures something less valuable" tests (pawn .. king).
constexpr int CoarseValue[7] = {0, 1, 3, 3, 5, 10, 99};

}  // namespace tolvaren
