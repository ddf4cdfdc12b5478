// The XBoard adapter's game record: taking moves back replays the game, so the board,
// its repetition history and the start it was set up from stay those of the moves kept.
#include "protocol/xboard_game.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "board/board_test_support.h"

namespace tolvaren {

namespace {

// Plays coordinate moves into the record; each must be legal.
void playAll(XBoardGame_t& game, std::initializer_list<const char*> moves) {
    for (const char* text : moves) {
        const Zug_t move = readCoordinate(game.position(), text);
        ASSERT_TRUE(move != 0 && isLegal(game.position(), move, game.state())) << text;
        ASSERT_TRUE(game.play(move)) << text;
    }
}

}  // namespace

TEST(XBoardGame, TakingBackRebuildsTheRepetitionHistory) {
    auto game = std::make_unique<XBoardGame_t>();
    const char* const shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int round = 0; round < 2; ++round)
        for (const char* move : shuffle) playAll(*game, {move});
    EXPECT_STREQ(game->result(), "1/2-1/2 {Draw by repetition}");  // the start, a third time

    // Back to the start's second occurrence: the discarded moves must not be counted.
    game->takeBack(4);
    EXPECT_EQ(game->moveText(), "g1f3  g8f6  f3g1  f6g8  ");
    EXPECT_EQ(game->result(), nullptr);
    auto reference = std::make_unique<test::Board>();
    setStartPosition(reference->pos, reference->state);
    for (const char* move : shuffle) ASSERT_TRUE(reference->play(move));
    EXPECT_EQ(game->state().hashKey, reference->state.hashKey);
    EXPECT_EQ(test::fenOf(game->position()), test::fenOf(reference->pos));

    // Played again, the same moves reach the same draw.
    game->takeBack(1);
    EXPECT_EQ(game->position().side, Black);
    playAll(*game, {"f6g8"});
    EXPECT_EQ(game->result(), nullptr);
    for (const char* move : shuffle) playAll(*game, {move});
    EXPECT_STREQ(game->result(), "1/2-1/2 {Draw by repetition}");
    EXPECT_EQ(game->halfMovesPlayed(), 8);
}

TEST(XBoardGame, TakingBackStopsAtTheSetUpStartAndABadSetUpFallsBackToTheStandardStart) {
    auto game = std::make_unique<XBoardGame_t>();
    const std::string fen = "4k3/P7/8/8/8/8/8/4K3 w - - 0 1";
    ASSERT_TRUE(game->setUp(fen));
    playAll(*game, {"a7a8q", "e8d7"});
    EXPECT_EQ(game->moveText(), "a7a8q e8d7  ");

    game->takeBack(3);  // more than were played
    EXPECT_EQ(game->moveText(), "");
    EXPECT_EQ(game->startText(), "fen " + fen);
    auto setUp = std::make_unique<test::Board>(test::boardFromFen(fen));
    EXPECT_EQ(test::fenOf(game->position()), test::fenOf(setUp->pos));
    EXPECT_EQ(game->state().hashKey, setUp->state.hashKey);

    playAll(*game, {"e1d2"});
    EXPECT_FALSE(game->setUp("8/8/8/8 w - - 0 1"));
    EXPECT_EQ(game->startText(), "startpos");
    EXPECT_EQ(game->moveText(), "");
    auto start = std::make_unique<test::Board>();
    setStartPosition(start->pos, start->state);
    EXPECT_EQ(test::fenOf(game->position()), test::fenOf(start->pos));
    EXPECT_EQ(game->state().hashKey, start->state.hashKey);
}

}  // namespace tolvaren
