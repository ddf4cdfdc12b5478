#include "protocol/position_command.h"

#include <cstring>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"

namespace tolvaren {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// A move token as the command reads it: at most five characters, four when the fifth
// is no promotion letter, three for short castling.
std::string_view cutToken(std::string_view token) {
    if (token.size() > 5) token = token.substr(0, 5);
    const bool longCastling =
        startsWith(token, "O-O-O") || startsWith(token, "0-0-0") || startsWith(token, "o-o-o");
    if (longCastling) return token;  // "0-0-0" cut to four would read as short castling
    if (startsWith(token, "O-O") || startsWith(token, "0-0") || startsWith(token, "o-o"))
        return token.substr(0, 3);
    if (token.size() == 5 && !isLetter(token[4])) token = token.substr(0, 4);
    return token;
}

// Reads "%u": blanks, optional sign, digits (wrapping like the C library).
bool readUnsigned(std::string_view text, size_t i, uint32_t& value) {
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    uint32_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = v * 10 + static_cast<uint32_t>(text[i] - '0');
    value = negative ? 0u - v : v;
    return true;
}

}  // namespace

bool setPositionFromCommand(Stellung_t& pos, Zustand_t (&states)[2], int& stateIndex, std::string_view args,
                            const ErrorFn& error) {
    stateIndex = 0;
    size_t i = 0;
    while (i < args.size() && isBlank(args[i])) ++i;
    const std::string_view text = args.substr(i);
    size_t reached = 0;  // offset in text after the position part

    if (startsWith(text, "startpos")) {
        setStartPosition(pos, states[0]);
        reached = 8;
    } else if (startsWith(text, "Chess960")) {
        uint32_t number = 0;
        if (!readUnsigned(text, 8, number)) {
            error("'position Chess960' without number", "");
            return false;
        }
        setChess960Position(pos, states[0], number);
        reached = 8;
    } else {
        const size_t at = text.find("fen");
        if (at == std::string_view::npos) {
            error("'position' without 'startpos' and without 'fen'", "");
            return false;
        }
        size_t fenStart = at + 4 > text.size() ? text.size() : at + 4;
        while (fenStart < text.size() && isBlank(text[fenStart])) ++fenStart;
        const std::string_view fen = text.substr(fenStart);
        size_t end = 0;
        if (!readFen(pos, states[0], fen, &end)) {
            setStartPosition(pos, states[0]);
            error("position: Illegal FEN string: ", fen);
            return false;
        }
        reached = fenStart + end;
    }

    const size_t movesAt = text.find("moves", reached);
    if (movesAt == std::string_view::npos) return true;
    const std::string_view list = text.substr(movesAt + 5);
    for (size_t j = 0; j < list.size();) {
        while (j < list.size() && isBlank(list[j])) ++j;
        if (j >= list.size()) break;
        size_t k = j;
        while (k < list.size() && !isBlank(list[k])) ++k;
        const std::string_view token = cutToken(list.substr(j, k - j));
        j = k;
        const Zustand_t& current = states[stateIndex];
        const Zug_t move = readCoordinate(pos, token);
        // Reading does not ask whether the piece can move so; playing such a move would
        // wreck the position, so only generated moves are played.
        if (move == 0 || !contains(pos, move, current) ||
            !playPermanent(pos, move, current, states[stateIndex ^ 1])) {
            error("position: illegal move: ", token);
            return false;
        }
        stateIndex ^= 1;
    }
    return true;
}

}  // namespace tolvaren
