#include "pgn/pgn_reader.h"

#include <charconv>
#include <cstring>
#include <iostream>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/notation.h"

namespace tolvaren {

namespace {

constexpr size_t ReadBlockSize = 1 << 16;
// Longer tokens are read to their end but kept only this far: no real tag value or
// move comes near it, and a corrupt file cannot make one token eat the memory.
constexpr size_t MaxTokenLength = 1 << 16;

bool isBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
bool isLetter(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool continuesSymbol(int c) {
    return isDigit(c) || isLetter(c) || (c > 0 && std::strchr("_+#=:-/", c));
}

constexpr std::string_view SingleTokens = ".*()[]";
constexpr int SingleTokenKinds[] = {PgnDot,        PgnStar,        PgnOpenParen,
                                    PgnCloseParen, PgnOpenBracket, PgnCloseBracket};

// Move suffixes and the glyph numbers that mean the same.
constexpr std::string_view Suffixes[] = {"!", "?", "!!", "??", "!?", "?!"};

bool isResultMarker(std::string_view text) {
    return text == "1-0" || text == "0-1" || text == "1/2-1/2";
}

// The leading number of a tag value, read like the C library's atoi; 0 when there is none.
int eloOf(const PgnTags& tags, std::string_view name) {
    const auto it = tags.find(name);
    if (it == tags.end()) return 0;
    std::string_view text = it->second;
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : 0;
}

}  // namespace

PgnLeser_t::PgnLeser_t(std::ostream& errors) : errors_(errors), file_(nullptr, &std::fclose) {}
PgnLeser_t::PgnLeser_t() : PgnLeser_t(std::cerr) {}
PgnLeser_t::~PgnLeser_t() = default;

void PgnLeser_t::reset(const std::string& name) {
    file_.reset();
    name_ = name;
    buffer_.clear();
    next_ = end_ = 0;
    current_ = EndOfStream;
    streamDone_ = false;
    // Column 0 before the first character, as after a line feed: line 1 counts like the rest.
    line_ = 1;
    column_ = 0;
    token_.clear();
    ok_ = true;
    ended_ = false;
}

bool PgnLeser_t::open(const std::string& fileName) {
    reset(fileName);
    file_.reset(std::fopen(fileName.c_str(), "rb"));
    if (file_) buffer_.resize(ReadBlockSize);
    advance();
    if (!file_) report("Cannot open file");
    return file_ != nullptr;
}

void PgnLeser_t::openText(std::string_view text, const std::string& name) {
    reset(name);
    buffer_.assign(text.begin(), text.end());
    end_ = buffer_.size();
    advance();
}

bool PgnLeser_t::refill() {
    if (!file_) return false;
    next_ = 0;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
    return end_ > 0;
}

void PgnLeser_t::advance() {
    if (next_ == end_ && !refill()) {
        // The position after the last character, once.
        if (!streamDone_) ++column_;
        streamDone_ = true;
        current_ = EndOfStream;
        return;
    }
    current_ = buffer_[next_++];
    if (current_ == '\n') {
        ++line_;
        column_ = 0;
    } else {
        ++column_;
    }
}

void PgnLeser_t::append(int c) {
    if (token_.size() < MaxTokenLength) token_.push_back(static_cast<char>(c));
}

void PgnLeser_t::skipBlanksAndComments() {
    for (;;) {
        while (isBlank(current_)) advance();
        if (current_ == ';' || (current_ == '%' && column_ == 1)) {
            while (current_ != EndOfStream && current_ != '\n' && current_ != '\r') advance();
        } else if (current_ == '{') {
            while (current_ != EndOfStream && current_ != '}') advance();
            if (current_ == '}') advance();
        } else {
            return;
        }
    }
}

int PgnLeser_t::nextToken() {
    token_.clear();
    skipBlanksAndComments();
    // Byte 255 ends the input as the end of the stream does.
    if (current_ == EndOfStream || current_ == 255) {
        ended_ = true;
        return PgnEndOfFile;
    }
    const int first = current_;
    if (const size_t single = SingleTokens.find(static_cast<char>(first)); single != std::string_view::npos) {
        advance();
        return SingleTokenKinds[single];
    }
    switch (first) {
        case '"':
            for (advance(); current_ != EndOfStream && current_ != '"'; advance()) {
                if (current_ == '\\') {
                    advance();
                    if (current_ == EndOfStream) break;
                }
                append(current_);
            }
            // The character after the closing quote becomes the look-ahead.
            if (current_ == '"') advance();
            return PgnString;
        case '$':
            for (advance(); isDigit(current_); advance()) append(current_);
            return PgnGlyph;
        case '!':
        case '?':
            // Move suffixes ("e4!", "Nf3?!") are annotations like glyphs; other runs of
            // these characters stay a symbol, which no move matches.
            for (; current_ == '!' || current_ == '?'; advance()) append(current_);
            for (size_t i = 0; i < std::size(Suffixes); ++i) {
                if (token_ == Suffixes[i]) {
                    token_.assign(1, static_cast<char>('1' + i));
                    return PgnGlyph;
                }
            }
            return PgnSymbol;
        default: {
            int kind = isDigit(first) ? PgnInteger : PgnSymbol;
            append(first);
            for (advance(); continuesSymbol(current_); advance()) {
                if (!isDigit(current_)) kind = PgnSymbol;
                append(current_);
            }
            return kind;
        }
    }
}

void PgnLeser_t::skipToNextGame() {
    // By characters, not tokens: after a stray quote or brace the token boundaries are
    // wrong for the rest of the file, but the tag lines still start with "[".
    while (current_ != EndOfStream && !(current_ == '[' && column_ == 1)) advance();
}

void PgnLeser_t::report(std::string_view message, std::string_view detail) {
    std::string text = "info string PGN-Parser: file " + name_ + " line " + std::to_string(line_) + " char " +
                       std::to_string(column_) + ": ";
    text.append(message).append(detail).push_back('\n');
    errors_ << text << std::flush;
    ok_ = false;
}

bool PgnLeser_t::readTag(Partie_t& game) {
    if (nextToken() != PgnSymbol) {
        report("symbol expected");
        return false;
    }
    std::string name = token_;
    if (nextToken() != PgnString) {
        report("String erwartet");
        return false;
    }
    if (name == "Result") expectedResult_ = token_;
    if (name == "FEN") {
        // Moves read so far belong to another position; most likely the previous game
        // lacked its termination marker. Keeping them would make a game that cannot replay.
        if (!game.moves.empty()) {
            report("FEN tag after moves");
            return false;
        }
        if (!readFen(game.position, game.state, token_)) {
            report("illegal FEN ", token_);
            return false;
        }
        std::memcpy(&game.start, &game.position, sizeof game.start);
        game.startState = game.state;
    }
    game.tags.insert_or_assign(std::move(name), token_);
    if (nextToken() != PgnCloseBracket) {
        report("']' expected");
        return false;
    }
    return true;
}

bool PgnLeser_t::skipVariation() {
    // Counted, not recursive: any depth of nesting costs no stack.
    for (int64_t depth = 1; depth > 0;) {
        // A tag at the start of a line means the variation was never closed: stop
        // before it, so that one stray "(" does not swallow the rest of the file.
        skipBlanksAndComments();
        if (current_ == '[' && column_ == 1) {
            report("')' expected");
            return false;
        }
        switch (nextToken()) {
            case PgnOpenParen:
                ++depth;
                break;
            case PgnCloseParen:
                --depth;
                break;
            case PgnEndOfFile:
                report("unexpected end of file");
                return false;
            default:
                break;
        }
    }
    return true;
}

bool PgnLeser_t::endGame(const Partie_t& game) {
    for (const char* tag : {"White", "Black", "Result"}) {
        if (!game.tags.contains(std::string_view(tag))) {
            report(std::string("'") + tag + "' missing (in game above current line)");
            return false;
        }
    }
    return true;
}

bool PgnLeser_t::readGame(Partie_t& game) {
    game.moves.clear();
    game.tags.clear();
    expectedResult_.assign(1, '*');
    setStartPosition(game.position, game.state);
    std::memcpy(&game.start, &game.position, sizeof game.start);
    game.startState = game.state;
    for (;;) {
        const int kind = nextToken();
        switch (kind) {
            case PgnInteger:
            case PgnDot:
            case PgnGlyph:
                break;
            case PgnOpenBracket:
                if (!readTag(game)) return false;
                break;
            case PgnStar:
            case PgnSymbol: {
                const std::string_view text = kind == PgnStar ? std::string_view("*") : token_;
                if (kind == PgnStar || isResultMarker(text)) {
                    if (text != expectedResult_) {
                        report("Game termination marker different from Result");
                        return false;
                    }
                    return endGame(game);
                }
                const Zug_t move = readSan(game.position, token_, game.state);
                Zustand_t after;
                if (move == 0 || !playPermanent(game.position, move, game.state, after)) {
                    report("illegal move ", token_);
                    return false;
                }
                game.state = after;
                game.moves.push_back(move);
                break;
            }
            case PgnOpenParen:
                if (!skipVariation()) return false;
                break;
            case PgnString:
                report("unexpected string ", token_);
                return false;
            case PgnCloseParen:
                report("unexpected ')'");
                return false;
            case PgnCloseBracket:
                report("unexpected ']'");
                return false;
            default:
                return false;  // the end of the file inside a game
        }
    }
}

bool readGameFiltered(PgnLeser_t& reader, Partie_t& game, int minimumElo, int* resultCode, int* whiteElo,
                      int* blackElo, std::string* fen) {
    if (resultCode) *resultCode = 3;
    int white = 0, black = 0;
    do {
        if (!reader.readGame(game)) return false;
        white = eloOf(game.tags, "WhiteElo");
        black = eloOf(game.tags, "BlackElo");
    } while (white < minimumElo || black < minimumElo);
    if (whiteElo) *whiteElo = white;
    if (blackElo) *blackElo = black;
    if (fen) {
        const auto it = game.tags.find(std::string_view("FEN"));
        *fen = it == game.tags.end() ? std::string() : it->second;
    }
    if (resultCode) {
        const auto it = game.tags.find(std::string_view("Result"));
        if (it != game.tags.end()) {
            const std::string& r = it->second;
            *resultCode = r == "1-0" ? 0 : r == "0-1" ? 1 : r == "1/2-1/2" ? 2 : 3;
        }
    }
    return true;
}

}  // namespace tolvaren
