// The PGN reader: turns a game file into games, each with its tags, its start position
// and its main-line moves checked for legality. Book learning and the test-position
// tools iterate over files with it; errors go to standard error with file, line and column.
#pragma once

#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "board/move.h"
#include "board/position.h"

namespace tolvaren {

// Token kinds; the numbers are part of the reader's contract.
enum PgnToken : int {
    PgnString = 0,   // text between double quotes, escapes resolved
    PgnInteger = 1,  // a symbol of digits only
    PgnDot = 2,
    PgnStar = 3,
    PgnOpenParen = 4,
    PgnCloseParen = 5,
    PgnOpenBracket = 6,
    PgnCloseBracket = 7,
    PgnGlyph = 8,  // "$" and digits; also "!", "?", "!!", "??", "!?", "?!" as 1..6
    PgnSymbol = 9,
    PgnEndOfFile = 10,
};

// Tag name to value; names compare as byte strings.
using PgnTags = std::map<std::string, std::string, std::less<>>;

// One game as read: replaying `moves` from `start` with playPermanent passes through
// every position of the game and ends in `position`.
struct Partie_t {
    Stellung_t start;  // standard, or from the "FEN" tag
    Zustand_t startState;
    std::vector<Zug_t> moves;  // the main line only
    Stellung_t position;       // after the moves
    Zustand_t state;
    PgnTags tags;
};

class PgnLeser_t {
   public:
    // Error lines go to `errors` (standard error unless a test or tool says otherwise).
    explicit PgnLeser_t(std::ostream& errors);
    PgnLeser_t();
    ~PgnLeser_t();
    PgnLeser_t(const PgnLeser_t&) = delete;
    PgnLeser_t& operator=(const PgnLeser_t&) = delete;

    // Opens a file and reads its first character; false (after reporting "Cannot open
    // file") leaves a reader that yields only the end of file.
    bool open(const std::string& fileName);
    // Reads games from memory instead; `name` stands for the file name in reports.
    void openText(std::string_view text, const std::string& name);

    // Reads one game; true for a complete and consistent game. After a failed game the
    // reader stands just after the token that failed it, so the next call reads on.
    bool readGame(Partie_t& game);

    // Resynchronises after a failed game: skips to the next line that starts with "["
    // (the next game's tags, as far as can be told) without reporting anything.
    void skipToNextGame();

    // True once the end of the input was met as a token: no further game can follow.
    bool atEnd() const { return ended_; }
    // False for good after the first error report.
    bool ok() const { return ok_; }

    // The lexer, open for tests and tools.
    int nextToken();
    const std::string& tokenText() const { return token_; }
    int64_t line() const { return line_; }
    int64_t column() const { return column_; }

   private:
    static constexpr int EndOfStream = -1;

    void reset(const std::string& name);
    void advance();
    bool refill();
    void append(int c);
    void skipBlanksAndComments();
    void report(std::string_view message, std::string_view detail = {});
    bool readTag(Partie_t& game);
    bool skipVariation();
    bool endGame(const Partie_t& game);

    std::ostream& errors_;
    std::string name_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    std::vector<unsigned char> buffer_;
    size_t next_ = 0, end_ = 0;  // unread part of buffer_
    int current_ = EndOfStream;  // the look-ahead character (0..255)
    bool streamDone_ = false;    // the read past the last character was made
    int64_t line_ = 1, column_ = 0;
    std::string token_;
    std::string expectedResult_;
    bool ok_ = true;
    bool ended_ = false;
};

// Reads games until one whose "WhiteElo" and "BlackElo" (0 when missing) both reach
// `minimumElo`; false when a game fails or the file ends (see atEnd to tell them apart).
// `resultCode` is 0 for "1-0", 1 for "0-1", 2 for "1/2-1/2" and 3 otherwise (also on
// failure); `fen` receives the "FEN" tag or an empty text.
bool readGameFiltered(PgnLeser_t& reader, Partie_t& game, int minimumElo, int* resultCode = nullptr,
                      int* whiteElo = nullptr, int* blackElo = nullptr, std::string* fen = nullptr);

}  // namespace tolvaren
