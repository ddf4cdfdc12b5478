// The PGN reader: error reports, tags, variations, the Elo filter, reading on, hostile input, files.
#include "pgn/pgn_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "board/board_test_support.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "pgn/san_writer.h"
#include "support/test_files.h"

namespace tolvaren {
namespace {

using test::fenOf;

const std::string Tags = "[White \"w\"]\n[Black \"b\"]\n[Result \"1-0\"]\n";
const std::string Prefix = "info string PGN-Parser: file t.pgn ";

struct Reading {
    std::ostringstream errors;
    PgnLeser_t reader{errors};
    std::unique_ptr<Partie_t> game = std::make_unique<Partie_t>();

    explicit Reading(std::string_view text) { reader.openText(text, "t.pgn"); }

    // Coordinate texts of the game's moves, replayed from its start position.
    std::vector<std::string> moves() const {
        auto pos = std::make_unique<Stellung_t>(game->start);
        Zustand_t state = game->startState;
        std::vector<std::string> out;
        char buffer[8];
        for (Zug_t move : game->moves) {
            out.push_back(writeCoordinate(*pos, move, buffer));
            Zustand_t after;
            EXPECT_TRUE(playPermanent(*pos, move, state, after));
            state = after;
        }
        EXPECT_EQ(state.hashKey, game->state.hashKey);
        return out;
    }
};

using Strings = std::vector<std::string>;

TEST(PgnReader, ErrorMessagesWithLineAndColumn) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[ \"x\" ]", "line 1 char 6: symbol expected"},
        {Tags + "1. e4 e5 2. Ke3\n1-0", "line 5 char 0: illegal move Ke3"},
        {"[Result \"0-1\"]\n1-0", "line 2 char 4: Game termination marker different from Result"},
        {Tags + "1. e4 ( e5 ( d5 ) Nf3", "line 4 char 22: unexpected end of file"},
        {Tags + "1. e4 ( e5 1-0\n\n" + Tags, "line 6 char 1: ')' expected"},
        {Tags + "1. e4 )", "line 4 char 8: unexpected ')'"},
        {"[Black \"b\"]\n[Result \"*\"]\n*", "line 3 char 2: 'White' missing (in game above current line)"},
        {"[FEN \"8/8/8 w - -\"]", "line 1 char 19: illegal FEN 8/8/8 w - -"},
        {Tags + "1. e4 [FEN \"4k3/8/8/8/8/8/8/4K3 w - -\"]", "line 4 char 39: FEN tag after moves"},
    };
    for (const auto& [text, message] : cases) {
        Reading r(text);
        EXPECT_FALSE(r.reader.readGame(*r.game)) << text;
        EXPECT_EQ(r.errors.str(), Prefix + message + "\n") << text;
        EXPECT_FALSE(r.reader.ok());
    }

    // The end of the file inside a game fails the game without a report.
    Reading end(Tags + "1. e4 {open comment");
    EXPECT_FALSE(end.reader.readGame(*end.game));
    EXPECT_EQ(end.errors.str(), "");
    EXPECT_TRUE(end.reader.ok());
    EXPECT_TRUE(end.reader.atEnd());
}

TEST(PgnReader, TagsWithEscapesAndCommentLines) {
    Reading r(
        "%a comment line, even on line 1\n"
        "[White \"Bob \\\"The Rook\\\" Smith\"]\n[Black \"back\\\\slash\"]\n"
        "%another\n[Result \"1-0\"] [Annotator \"two\nlines\"] [White \"Ann\"]\n"
        "1. e4 ; to the end of the line\n1... e5 1-0");
    ASSERT_TRUE(r.reader.readGame(*r.game)) << r.errors.str();
    const PgnTags expected = {
        {"White", "Ann"}, {"Black", "back\\slash"}, {"Result", "1-0"}, {"Annotator", "two\nlines"}};
    EXPECT_EQ(r.game->tags, expected);
    EXPECT_EQ(r.moves(), (Strings{"e2e4", "e7e5"}));
}

TEST(PgnReader, VariationsSuffixesAndFenGames) {
    // Nested variations are skipped without looking at their moves.
    Reading v(Tags + "1. e4 (1. Qxh7 Zz9 (1... Kxe1 $3) {c)} \"s\" [ ) e5 (( ()) ) 2. Nf3 1-0");
    ASSERT_TRUE(v.reader.readGame(*v.game)) << v.errors.str();
    EXPECT_EQ(v.moves(), (Strings{"e2e4", "e7e5", "g1f3"}));

    Reading s(Tags + "1. e4! e5? 2. Bc4!! Nc6?? 3. Qh5!? $14 Nf6?! 4. Qxf7#!! 1-0");
    EXPECT_TRUE(s.reader.readGame(*s.game)) << s.errors.str();

    Reading f(
        "[White \"w\"] [Black \"b\"] [Result \"*\"] [FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n"
        "1. e4 Kd7 2. e5 Kc6 3. e6 *");
    ASSERT_TRUE(f.reader.readGame(*f.game)) << f.errors.str();
    EXPECT_EQ(fenOf(f.game->start), "4k3/8/8/8/8/8/4P3/4K3 w - -");
    EXPECT_EQ(f.moves(), (Strings{"e2e4", "e8d7", "e4e5", "d7c6", "e5e6"}));
    EXPECT_EQ(fenOf(f.game->position), "8/8/2k1P3/8/8/8/8/4K3 b - -");
}

TEST(PgnReader, EloFilterAndResultCodes) {
    const std::string text =
        "[White \"a\"] [Black \"b\"] [Result \"1-0\"] [WhiteElo \"2400\"] 1. e4 1-0\n"
        "[White \"a\"] [Black \"b\"] [Result \"0-1\"] [WhiteElo \"2000\"] [BlackElo \"2000\"] 1. d4 0-1\n"
        "[White \"a\"] [Black \"b\"] [Result \"1/2-1/2\"] [WhiteElo \"2500\"] [BlackElo \"2501\"]\n"
        "[FEN \"4k3/8/8/8/8/8/8/4K3 b - -\"] 1... Kd7 1/2-1/2\n"
        "[White \"a\"] [Black \"b\"] [Result \"*\"] [WhiteElo \"1\"] [BlackElo \" +7\"] *\n";
    // Result, White's and Black's Elo, FEN of each game read; a game without both ratings is skipped.
    using Expected = std::tuple<int, int, int, std::string>;
    const std::vector<Expected> atLeast1 = {
        {1, 2000, 2000, ""}, {2, 2500, 2501, "4k3/8/8/8/8/8/8/4K3 b - -"}, {3, 1, 7, ""}};
    const std::vector<std::pair<int, std::vector<Expected>>> runs = {{1, atLeast1}, {2300, {atLeast1[1]}}};
    for (const auto& [minimum, expected] : runs) {
        Reading r(text);
        for (const Expected& e : expected) {
            int result = -1, white = -1, black = -1;
            std::string fen = "x";
            ASSERT_TRUE(readGameFiltered(r.reader, *r.game, minimum, &result, &white, &black, &fen));
            EXPECT_EQ(std::tie(result, white, black, fen), e);
        }
        int result = -1;
        EXPECT_FALSE(readGameFiltered(r.reader, *r.game, minimum, &result));
        EXPECT_EQ(result, 3);
        EXPECT_TRUE(r.reader.atEnd());
        EXPECT_EQ(r.errors.str(), "");
    }
}

TEST(PgnReader, ReadsOnAfterABadGame) {
    const std::string text = Tags + "1. e4 e5 1-0\n\n" + Tags + "1. e4 e5 2. Ke3 Nc6 3. Nf3 1-0\n\n" + Tags +
                             "1. d4 {ok} 1-0\n" + Tags + "1. c4 ( 1. d4 1-0\n" + Tags + "1. f4 1-0\n";
    // Reading on from where the parser stopped: every leftover piece reports once more,
    // and the game after the bad one still counts. A variation left open ends at the next
    // tag line.
    for (bool resynchronise : {false, true}) {
        Reading r(text);
        Strings first;
        while (!r.reader.atEnd()) {
            if (r.reader.readGame(*r.game))
                first.push_back(r.moves().front());
            else if (resynchronise)
                r.reader.skipToNextGame();
        }
        EXPECT_EQ(first, (Strings{"e2e4", "d2d4", "f2f4"}));
        const std::string errors = r.errors.str();
        EXPECT_EQ(errors.find(Prefix + "line 9 char 16: illegal move Ke3\n"), 0u) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), resynchronise ? 2 : 4) << errors;
    }
}

TEST(PgnReader, BadInputEndsCleanly) {
    test::TestRandom random{7};
    std::string junk;
    for (int i = 0; i < 200000; ++i)
        junk += static_cast<char>(random.next() % 255);  // no 255: it ends the input
    const std::string hugeToken = Tags + "1. e4 " + std::string(1 << 20, 'N');
    const std::vector<std::string> inputs = {junk, hugeToken, "[White \"unterminated",
                                             Tags + std::string(300000, '('),
                                             "[White \"w\"] \xff [Black \"b\"]"};
    for (const std::string& text : inputs) {
        Reading r(text);
        for (size_t calls = 0; !r.reader.atEnd(); ++calls) {
            ASSERT_LT(calls, text.size() + 1);
            r.reader.readGame(*r.game);
        }
        // Every report is one bounded line.
        std::istringstream lines(r.errors.str());
        for (std::string line; std::getline(lines, line);) EXPECT_LT(line.size(), 70000u);
    }
}

TEST(PgnReader, RandomGamesRoundTripThroughAFile) {
    // Games written with the SAN writer read back move for move; random games are rich
    // in checks, captures, promotions and pieces that need their origin named. The file is
    // several read blocks long, so refilling the buffer is crossed mid-token.
    test::TestRandom random{2024};
    std::string text;
    std::vector<Strings> written;
    auto pos = std::make_unique<Stellung_t>();
    for (int g = 0; g < 100; ++g) {
        Zustand_t state;
        setStartPosition(*pos, state);
        text += Tags;
        Strings moves;
        char buffer[8];
        for (int ply = 0; ply < 300; ++ply) {
            const std::vector<Zug_t> legal = test::legalMoves(*pos, state);
            if (legal.empty()) break;
            const Zug_t move = legal[random.next() % legal.size()];
            const std::string san = writeSan(*pos, state, move);
            if (ply % 2 == 0) text.append(" ").append(std::to_string(ply / 2 + 1)).append(".");
            text.append(" ").append(san);
            moves.push_back(writeCoordinate(*pos, move, buffer));
            Zustand_t after;
            playPermanent(*pos, move, state, after);
            state = after;
        }
        text += " 1-0\n\n";
        written.push_back(moves);
    }
    // Five lines a game, then one that fails.
    const std::string name = test::writeTempFile("games.pgn", text + "[White \"w\"] 1. e5");
    Reading r("");
    ASSERT_TRUE(r.reader.open(name));
    for (const Strings& moves : written) {
        ASSERT_TRUE(r.reader.readGame(*r.game)) << r.errors.str();
        EXPECT_EQ(r.moves(), moves);
    }
    EXPECT_FALSE(r.reader.readGame(*r.game));
    EXPECT_EQ(r.errors.str(), "info string PGN-Parser: file " + name + " line " +
                                  std::to_string(5 * written.size() + 1) + " char 18: illegal move e5\n");
}

}  // namespace
}  // namespace tolvaren
