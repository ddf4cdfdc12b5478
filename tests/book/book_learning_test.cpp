// Book learning and the "book" command: grammar, the writer, the memory file, the book's path.
#include "book/book_learning.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <tuple>

#include "board/data_path.h"
#include "board/position.h"
#include "book/book.h"
#include "book/book_command.h"
#include "book/book_tool.h"
#include "book/book_walk.h"
#include "support/test_files.h"

namespace tolvaren {

namespace {

using test::tempPath;
using test::writeTempFile;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string game(const std::string& moves, const std::string& result, const std::string& extraTags = "") {
    return "[White \"a\"]\n[Black \"b\"]\n[Result \"" + result + "\"]\n" + extraTags + "\n" + moves + " " +
           result + "\n\n";
}

// Standard error captured for the life of the object.
struct CaptureErr {
    std::stringstream text;
    std::streambuf* old = std::cerr.rdbuf(text.rdbuf());
    ~CaptureErr() { std::cerr.rdbuf(old); }
};

// Runs "book ..." lines against one learning object, collecting the sink's lines.
struct Commands {
    std::unique_ptr<Buchlernen_t> learning;
    std::vector<std::string> lines;
    void run(const std::string& text) {
        BookContext context{learning, [this](const char* l) { lines.emplace_back(l); }, nullptr};
        runBookCommand(parseBookCommand(text), context);
    }
};

}  // namespace

TEST(BookCommand, GrammarStopWordsNamesAndSubcommandWord) {
    // The word after "book" decides, whatever the name contains; names run to the first
    // stop word; "delete" counts anywhere; names of 1024 characters are refused.
    const struct {
        std::string text;
        BookCommand::Kind kind;
        const char* file;  // null: not looked at
    } cases[] = {
        {" add value.pgn   ", BookCommand::Add, "value.pgn"},
        {" entropy lockbook.opn", BookCommand::Entropy, "lockbook.opn"},
        {" add a.pgn delete", BookCommand::Delete, nullptr},
        {" add " + std::string(1024, 'a'), BookCommand::None, nullptr},
        {" add   ", BookCommand::None, nullptr},
        {" writex a.opn", BookCommand::None, nullptr},
    };
    for (const auto& c : cases) {
        const BookCommand got = parseBookCommand(c.text);
        EXPECT_EQ(got.kind, c.kind) << c.text;
        if (c.file != nullptr) {
            EXPECT_EQ(got.file, c.file) << c.text;
        }
    }

    const BookCommand add = parseBookCommand(" add my games.pgn value 500 CalcELO");
    EXPECT_EQ(std::tie(add.file, add.value, add.calcElo), std::make_tuple("my games.pgn", 500u, true));
    const BookCommand write = parseBookCommand(" write out.opn threshold 1500 width 10");
    EXPECT_EQ(std::tie(write.file, write.threshold, write.width), std::make_tuple("out.opn", 1500, 10));
    const BookCommand make = parseBookCommand(" makepos in.opn out pos.txt nodes 5000 hash 8");
    EXPECT_EQ(std::tie(make.file, make.out, make.nodes, make.hash),
              std::make_tuple("in.opn", "pos.txt", uint64_t{5000}, 8));
}

TEST(BookCommand, LifetimeOfTheLearningObject) {
    const std::string pgn = writeTempFile("life.pgn", game("1. e4 e5", "1-0"));
    const std::string out = tempPath("life.opn");
    Commands c;
    c.run(" add " + pgn);
    ASSERT_NE(c.learning, nullptr);
    c.run(" lock");
    c.run(" add " + pgn);  // locked: not added again
    ASSERT_FALSE(c.learning->records().empty());
    EXPECT_EQ(c.learning->records().begin()->second.front().games, 1.0);
    {
        CaptureErr err;  // an output that cannot be opened keeps it too: the games are not lost
        c.run(" write /nonexistent-dir/x.opn threshold 1000");
    }
    ASSERT_NE(c.learning, nullptr);
    c.run(" write " + out + " threshold 1000");
    EXPECT_EQ(c.learning, nullptr);
}

TEST(BookLearning, WeightsFollowScoresAndCalcEloCorrectsForRatings) {
    // With the prior of 3 games: a win scores 62.5, a draw 50; 12.5 worse at width 25 is 49.
    // A bad game between them is reported and skipped; the next one still counts.
    const std::string pgn =
        writeTempFile("w.pgn", game("1. e4", "1-0") + game("1. Ke2", "1-0") + game("1. d4", "1/2-1/2"));
    const std::string out = tempPath("w.opn");
    Buchlernen_t learning;
    {
        CaptureErr err;
        EXPECT_EQ(learning.addGames(pgn, 1000, false), 2);
        EXPECT_NE(err.text.str().find("line 11 char 7: illegal move Ke2"), std::string::npos)
            << err.text.str();
    }
    ASSERT_TRUE(learning.writeBook(out, 1000, 25));
    EXPECT_EQ(readFile(out), "  e2e4 99  *\n  d2d4 49  * * -1\n");
    // Threshold 2 games: neither move is written.
    ASSERT_TRUE(learning.writeBook(out, 2000, 25));
    EXPECT_EQ(readFile(out), " * -1\n");

    // A draw of a 2400 player against a 2000 player is a poor result for White: expected
    // 1 / (1 + 10^-1) = 10/11, so White's score is 0.5 - 10/11 + 0.5 = 1/11, twice at value 2000.
    const std::string rated =
        writeTempFile("r.pgn", game("1. e4", "1/2-1/2", "[WhiteElo \"2400\"]\n[BlackElo \"2000\"]\n"));
    Buchlernen_t elo;
    elo.addGames(rated, 2000, true);
    const Lerneintrag_t& r = elo.records().begin()->second.front();
    EXPECT_DOUBLE_EQ(r.games, 2.0);
    EXPECT_NEAR(r.points, 2.0 / 11, 1e-9);
    EXPECT_EQ(r.scored, 2.0);
}

// What the writer makes loads as a book: a transposition is written once, under the line
// that reached it first, and a cycle through the start position ends.
TEST(BookLearning, TranspositionsAndCyclesAreWrittenOnce) {
    Buch_t book;
    auto written = [&book](const std::string& name, const std::string& games) {
        Buchlernen_t learning;
        learning.addGames(writeTempFile(name + ".pgn", games), 1000, false);
        const std::string out = tempPath(name + ".opn");
        EXPECT_TRUE(learning.writeBook(out, 1000, 25));
        EXPECT_TRUE(book.load(out));
        return readFile(out);
    };
    EXPECT_EQ(written("t", game("1. e4 e5 2. Nf3 Nc6 3. Bb5", "*") + game("1. Nf3 Nc6 2. e4 e5 3. Bc4", "*")),
              "  e2e4 99   e7e5 99   g1f3 99   b8c6 99   f1b5 99  *\n" + std::string(40, ' ') +
                  "  f1c4 99  * * * * *\n  g1f3 99   b8c6 99   e2e4 99   e7e5 99  * * * * * -1\n");
    EXPECT_EQ(book.entries().size(), 10u);

    // The knights go out and back: the learned records form a cycle through the start.
    std::string moves;
    for (int i = 0; i < 20; ++i) moves += "Nf3 Nf6 Ng1 Ng8 ";
    written("c", game(moves, "1/2-1/2"));
    EXPECT_EQ(book.entries().size(), 4u);
    EXPECT_NEAR(bookEntropy(book), 0.0, 1e-12);
}

TEST(BookLearning, MemoryRoundTripAndBadFilesChangeNothing) {
    const std::string pgn = writeTempFile("m.pgn", game("1. e4 e5 2. Nf3", "1-0") + game("1. d4", "0-1"));
    const std::string mem = tempPath("m.bin");
    Buchlernen_t learning;
    learning.addGames(pgn, 1000, false);
    learning.setLocked(true);
    ASSERT_TRUE(learning.writeMemory(mem));
    EXPECT_FALSE(std::ifstream(mem + ".tmp").good());
    const std::string bytes = readFile(mem);
    // lock, two doubles, no keys, 4 records of 56 bytes
    EXPECT_EQ(bytes.size(), 1u + 16 + 4 + 4 + 4 * 56);
    EXPECT_EQ(bytes[0], 1);

    // Read back and written again, every byte comes out the same.
    Buchlernen_t copy;
    ASSERT_TRUE(copy.readMemory(mem));
    ASSERT_TRUE(copy.writeMemory(mem + "2"));
    EXPECT_EQ(readFile(mem + "2"), bytes);

    const std::string truncated = writeTempFile("trunc.bin", bytes.substr(0, bytes.size() - 5));
    CaptureErr err;
    EXPECT_FALSE(copy.readMemory(truncated));
    EXPECT_EQ(err.text.str(), "info string error reading file: " + truncated + "\n");
    EXPECT_EQ(copy.recordCount(), 4u);
    EXPECT_TRUE(copy.locked());
}

TEST(BookWalk, EndPositions) {
    Commands c;
    const std::string tree = writeTempFile("tree.opn", "e2e4 10 e7e5 5 * c7c5 5 * * d2d4 10 * *");
    const std::string out = tempPath("ends.txt");
    c.run(" positions " + tree + " out " + out);
    EXPECT_EQ(readFile(out), "0.5 rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n");
}

TEST(BookLearning, PositionsFileRoundTrip) {
    // makepos's lines: centipawns, move, White's-view FEN. 35 cp is 1 / (1 + 10^(-35/400)) = 0.55020.
    const std::string file =
        writeTempFile("pos.txt",
                      "35 g1f3 rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq -\nbad line\n"
                      "35 g1f3 rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n");
    Commands c;
    c.run(" addpos " + file);
    ASSERT_NE(c.learning, nullptr);
    ASSERT_EQ(c.learning->recordCount(), 1u);
    const Lerneintrag_t& r = c.learning->records().begin()->second.front();
    EXPECT_EQ(r.analysed, 1.0);  // the repeated position counts once
    EXPECT_NEAR(r.points, 0.55020, 1e-5);
}

// The default book is found in the working directory first, then beside the executable.
TEST(BookTool, BookPathAndWorkFileWithBackup) {
    const std::filesystem::path old = std::filesystem::current_path();
    const std::string dir = tempPath("tooldir");
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    std::filesystem::current_path(dir);
    const std::string besideTests = resolveDataFile("Tolvaren.opn");
    EXPECT_TRUE(std::ifstream(besideTests).good());
    std::ofstream("Tolvaren.opn") << "*";
    EXPECT_EQ(resolveDataFile("Tolvaren.opn"), "Tolvaren.opn");

    // The "--book" tool keeps its work file there, and the previous state as a backup.
    std::ofstream("g.pgn") << game("1. e4 e5", "1-0");
    std::FILE* sink = std::tmpfile();
    const char* bad[] = {"tolvaren", "--book", "add", "--value"};
    const char* add[] = {"tolvaren", "--book", "add", "g.pgn"};
    EXPECT_EQ(runBookTool(4, bad, sink, sink), -1);
    EXPECT_EQ(runBookTool(4, add, sink, sink), 0);
    const std::string first = readFile(BookWorkFile);
    EXPECT_EQ(runBookTool(4, add, sink, sink), 0);
    EXPECT_EQ(readFile(std::string(BookWorkFile) + ".bak"), first);
    std::fclose(sink);
    std::filesystem::current_path(old);
}

}  // namespace tolvaren
