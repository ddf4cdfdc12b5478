// The game file entry of a match game: tags, move numbers from the opening's FEN and
// the line wrap.
#include "match/pgn_writer.h"

#include <gtest/gtest.h>

#include "board/fen.h"

namespace tolvaren::match {

TEST(MatchPgn, MoveNumbersFollowTheFenAndLinesWrapBefore80Columns) {
    Opening opening;
    opening.name = "Scotch \"Goring\"";
    opening.fen = "r1bqkbnr/pppp1ppp/2n5/8/3pP3/2P2N2/PP3PPP/RNBQKB1R b KQkq - 0 4";
    ASSERT_TRUE(readFen(opening.start, opening.startState, opening.fen));
    GameRecord game;
    game.result = 1;
    game.reason = "Black loses on time (612 ms for 500 ms)";
    game.termination = "time forfeit";
    game.san = {"dxc3", "Nxc3", "Bb4", "Bc4", "d6", "O-O", "Bxc3", "bxc3", "Nf6", "e5", "dxe5", "Qb3", "Qe7"};
    const PgnHeader header{7, "2024.05.17", "tolvaren", "toga\\2", "0.5/move"};
    EXPECT_EQ(gamePgn(header, opening, game),
              "[Event \"tolvaren-match\"]\n"
              "[Site \"?\"]\n"
              "[Date \"2024.05.17\"]\n"
              "[Round \"7\"]\n"
              "[White \"tolvaren\"]\n"
              "[Black \"toga\\\\2\"]\n"
              "[Result \"1-0\"]\n"
              "[SetUp \"1\"]\n"
              "[FEN \"r1bqkbnr/pppp1ppp/2n5/8/3pP3/2P2N2/PP3PPP/RNBQKB1R b KQkq - 0 4\"]\n"
              "[TimeControl \"0.5/move\"]\n"
              "[Termination \"time forfeit\"]\n"
              "[Opening \"Scotch \\\"Goring\\\"\"]\n"
              "[PlyCount \"13\"]\n"
              "\n"
              "4... dxc3 5. Nxc3 Bb4 6. Bc4 d6 7. O-O Bxc3 8. bxc3 Nf6 9. e5 dxe5 10. Qb3 Qe7\n"
              "{Black loses on time (612 ms for 500 ms)} 1-0\n"
              "\n");
}

}  // namespace tolvaren::match
