// Reading the book's text format: whitespace-separated tokens spelling a tree of moves
// with weights, each list closed by "*". The tree is walked with an explicit stack, so
// deep nesting costs heap memory (bounded by MaxBookLine) and never the call stack.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"

namespace tolvaren {

namespace {

constexpr size_t MaxTokenLength = 9;
constexpr uint32_t StandardStart = 518;

bool isSeparator(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class TokenReader {
public:
    enum class Result { Token, End, TooLong };

    explicit TokenReader(std::FILE* file) : file_(file) {}

    // The next token into text (valid until the next call).
    Result next(std::string_view& text) {
        int c;
        do c = get();
        while (c != EOF && isSeparator(static_cast<unsigned char>(c)));
        if (c == EOF) return Result::End;
        size_t n = 0;
        for (; c != EOF && !isSeparator(static_cast<unsigned char>(c)); c = get()) {
            if (n == MaxTokenLength) return Result::TooLong;
            token_[n++] = static_cast<char>(c);
        }
        text = std::string_view(token_, n);
        return Result::Token;
    }

private:
    int get() {
        if (pos_ == end_) {
            end_ = std::fread(buffer_, 1, sizeof buffer_, file_);
            pos_ = 0;
            if (end_ == 0) return EOF;
        }
        return static_cast<unsigned char>(buffer_[pos_++]);
    }

    std::FILE* file_;
    char buffer_[1 << 16];
    size_t pos_ = 0, end_ = 0;
    char token_[MaxTokenLength];
};

// Optional sign, then one or more decimal digits and nothing else. Nine characters at
// most, so the value always fits.
bool parseWeight(std::string_view text, int32_t& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = static_cast<int32_t>(negative ? -v : v);
    return true;
}

bool parseUnsigned(std::string_view text, uint32_t& value) {
    if (text.empty()) return false;
    uint32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    value = v;
    return true;
}

bool isCastlingSpelling(std::string_view t) {
    return t == "O-O" || t == "O-O-O" || t == "0-0" || t == "0-0-0" || t == "o-o" || t == "o-o-o";
}

// The whole token must be the move: the notation reader stops after what it needs.
Zug_t readBookMove(const Stellung_t& pos, std::string_view text) {
    const Zug_t move = readCoordinate(pos, text);
    if (move == 0) return 0;
    if (isCastlingSpelling(text) || text.size() == 4) return move;
    if (text.size() == 5 && isPromotion(move)) return move;
    return 0;
}

// One level of the tree: the states of the position at this depth (and of its colour
// flip), and the undo records of the move that led here.
struct Level {
    Zustand_t state, flipState;
    Rueckzug_t undo, flipUndo;
};

class BookReader {
public:
    BookReader(std::FILE* file, std::vector<Bucheintrag_t>& entries) : in_(file), entries_(entries) {}

    bool read() {
        levels_.emplace_back();
        setStart(StandardStart);
        std::string_view token;
        for (;;) {
            if (in_.next(token) != TokenReader::Result::Token) return false;
            if (token == "*") {
                // The outermost list ends the book; what follows it is not read.
                if (depth_ == 0) return true;
                takeBackLast();
            } else if (token == "startpos") {
                if (!startPos()) return false;
            } else if (!moveWithWeight(token)) {
                return false;
            }
        }
    }

private:
    Stellung_t& flip() { return *flip_; }
    Level& level() { return levels_[depth_]; }

    void setStart(uint32_t number) {
        setChess960Position(*pos_, level().state, number);
        flipColors(*pos_, flip());
        computeState(flip(), level().flipState);
    }

    // Only in the outermost list, where the position is always a start position. Inside
    // a line it would be replaced under moves that still have to be taken back, even
    // when every piece has come home and the middle ranks are empty again.
    bool startPos() {
        std::string_view token;
        uint32_t number;
        if (depth_ != 0) return false;
        if (in_.next(token) != TokenReader::Result::Token || !parseUnsigned(token, number)) return false;
        setStart(number);
        return true;
    }

    bool moveWithWeight(std::string_view moveText) {
        // The token is only valid until the next read: keep the move's text first.
        char text[MaxTokenLength];
        const size_t length = moveText.size();
        std::memcpy(text, moveText.data(), length);
        std::string_view weightText;
        int32_t weight;
        if (in_.next(weightText) != TokenReader::Result::Token || !parseWeight(weightText, weight))
            return false;

        Stellung_t& pos = *pos_;
        const Zug_t move = readBookMove(pos, std::string_view(text, length));
        // A move that reads but cannot be played would leave the rest of the tree on a
        // wrong position: the whole file is refused instead.
        if (move == 0 || !isLegal(pos, move, level().state)) return false;
        if (depth_ == MaxBookLine) return false;

        const bool black = pos.side == Black;
        if (weight >= 1)
            entries_.push_back(Bucheintrag_t{black ? level().flipState.hashKey : level().state.hashKey,
                                             weight, black ? move ^ MirrorMoveMask : uint32_t{move}});

        if (static_cast<size_t>(depth_ + 1) == levels_.size()) levels_.emplace_back();
        Level& here = levels_[depth_];
        Level& next = levels_[depth_ + 1];
        if (!playMove(pos, move, here.state, next.state, next.undo)) return false;
        const Zug_t mirrored = static_cast<Zug_t>(move ^ MirrorMoveMask);
        if (!playMove(flip(), mirrored, here.flipState, next.flipState, next.flipUndo)) {
            takeBack(next.undo);
            return false;
        }
        ++depth_;
        return true;
    }

    void takeBackLast() {
        takeBack(level().flipUndo);
        takeBack(level().undo);
        --depth_;
    }

    TokenReader in_;
    std::vector<Bucheintrag_t>& entries_;
    std::vector<Level> levels_;
    int depth_ = 0;
    std::unique_ptr<Stellung_t> pos_ = std::make_unique<Stellung_t>();
    std::unique_ptr<Stellung_t> flip_ = std::make_unique<Stellung_t>();
};

}  // namespace

bool readBookFile(const char* path, std::vector<Bucheintrag_t>& entries) {
    entries.clear();
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    bool ok = false;
    try {
        auto reader = std::make_unique<BookReader>(file, entries);
        ok = reader->read();
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    std::fclose(file);
    if (!ok) {
        entries.clear();
        entries.shrink_to_fit();
    }
    return ok;
}

}  // namespace tolvaren
