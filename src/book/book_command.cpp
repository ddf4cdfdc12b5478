#include "book/book_command.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <new>
#include <vector>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "book/book_learning.h"
#include "book/book_walk.h"

namespace tolvaren {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

// The name starting at `text`: up to the earliest stop word, blanks trimmed.
std::string_view nameUpTo(std::string_view text, std::initializer_list<std::string_view> stops) {
    size_t end = text.size();
    for (std::string_view stop : stops) end = std::min(end, text.find(stop));
    return trimmed(text.substr(0, end));
}

// The text after `word` in `text`, or nothing.
const char* after(std::string_view text, std::string_view word, std::string& holder) {
    const size_t at = text.find(word);
    if (at == std::string_view::npos) return nullptr;
    holder.assign(text.substr(at + word.size()));
    return holder.c_str();
}

bool endsWord(std::string_view text, size_t at) {
    return at == text.size() || isSpace(text[at]);
}

struct Word {
    std::string_view text;
    BookCommand::Kind kind;
};
constexpr Word Words[] = {
    {"lock", BookCommand::Lock},         {"unlock", BookCommand::Unlock},
    {"add", BookCommand::Add},           {"readmem", BookCommand::ReadMem},
    {"writemem", BookCommand::WriteMem}, {"write960", BookCommand::Write960},
    {"writeEPD", BookCommand::WriteEpd}, {"write", BookCommand::Write},
    {"entropy", BookCommand::Entropy},   {"positions", BookCommand::Positions},
    {"makepos", BookCommand::MakePos},   {"addpos", BookCommand::AddPos},
};

}  // namespace

BookCommand parseBookCommand(std::string_view text) {
    BookCommand c;
    // "delete" is honoured anywhere in the line, so that it is never lost.
    const size_t del = text.find(" delete");
    if (del != std::string_view::npos && endsWord(text, del + 7)) {
        c.kind = BookCommand::Delete;
        return c;
    }
    // The subcommand is the word after "book", so a file name can never choose it.
    const std::string_view rest = trimmed(text);
    size_t wordEnd = 0;
    while (wordEnd < rest.size() && !isSpace(rest[wordEnd])) ++wordEnd;
    const std::string_view word = rest.substr(0, wordEnd);
    BookCommand::Kind kind = BookCommand::None;
    for (const Word& w : Words)
        if (w.text == word) kind = w.kind;
    if (kind == BookCommand::None) return c;
    if (kind == BookCommand::Lock || kind == BookCommand::Unlock) {
        c.kind = kind;
        return c;
    }
    // Options are looked for after the word, each with its blanks: " value " in a
    // name such as "value.pgn" is not one.
    const std::string args = std::string(rest.substr(wordEnd)) + " ";
    const std::string_view a = args;
    std::string holder;
    std::string_view name;
    switch (kind) {
        case BookCommand::Add:
            name = nameUpTo(a, {" value ", " CalcELO"});
            break;
        case BookCommand::AddPos:
            name = nameUpTo(a, {" value "});
            break;
        case BookCommand::Write960:
        case BookCommand::WriteEpd:
        case BookCommand::Write:
            name = nameUpTo(a, {" threshold ", " width "});
            break;
        case BookCommand::Positions:
        case BookCommand::MakePos: {
            const size_t out = a.find(" out ");
            if (out == std::string_view::npos) return c;
            name = nameUpTo(a, {" out ", " nodes ", " hash "});
            c.out = std::string(nameUpTo(a.substr(out + 5), {" out ", " nodes ", " hash "}));
            if (c.out.empty() || c.out.size() >= MaxBookFileName) return c;
            break;
        }
        default:
            name = trimmed(a);
    }
    if (name.empty() || name.size() >= MaxBookFileName) return c;
    c.file = std::string(name);
    if (const char* v = after(a, " value ", holder))
        c.value = static_cast<unsigned>(std::strtoul(v, nullptr, 10));
    const size_t elo = a.find(" CalcELO");
    c.calcElo = elo != std::string_view::npos && endsWord(a, elo + 8);
    if (const char* v = after(a, " threshold ", holder))
        c.threshold = static_cast<int>(std::strtol(v, nullptr, 10));
    if (const char* v = after(a, " width ", holder)) c.width = static_cast<int>(std::strtol(v, nullptr, 10));
    if (const char* v = after(a, " nodes ", holder)) c.nodes = std::strtoull(v, nullptr, 10);
    if (const char* v = after(a, " hash ", holder)) c.hash = static_cast<int>(std::strtol(v, nullptr, 10));
    c.kind = kind;
    return c;
}

namespace {

void makePositions(const BookCommand& c, BookContext& context) {
    if (!context.analyse) return;
    Buch_t book;
    book.load(c.file);
    const std::vector<EndPosition> ends = endPositions(book);
    std::ofstream out(c.out, std::ios::trunc);
    if (!out) {
        std::cerr << "info string error opening the output file " << c.out << std::endl;
        return;
    }
    auto pos = std::make_unique<Stellung_t>();
    for (const EndPosition& e : ends) {
        Zustand_t state;
        int centipawns = 0;
        Zug_t best = 0;
        if (!readFen(*pos, state, e.fen) || !context.analyse(*pos, c.nodes, c.hash, centipawns, best) ||
            best == 0)
            continue;
        char move[8];
        out << centipawns << ' ' << writeCoordinate(*pos, best, move) << ' ' << e.fen << '\n';
    }
}

void runGuarded(const BookCommand& c, BookContext& context) {
    std::unique_ptr<Buchlernen_t>& learning = context.learning;
    switch (c.kind) {
        case BookCommand::None:
            return;
        case BookCommand::Delete:
            learning.reset();
            return;
        case BookCommand::Lock:
        case BookCommand::Unlock:
            if (learning) learning->setLocked(c.kind == BookCommand::Lock);
            return;
        case BookCommand::Add:
        case BookCommand::AddPos:
            if (!learning) learning = std::make_unique<Buchlernen_t>();
            // A locked object keeps its statistics as they are.
            if (learning->locked()) {
                std::cerr << "info string book learning is locked" << std::endl;
                return;
            }
            if (c.kind == BookCommand::Add)
                learning->addGames(c.file, c.value, c.calcElo);
            else
                learning->addPositions(c.file, c.value);
            return;
        case BookCommand::ReadMem: {
            auto fresh = std::make_unique<Buchlernen_t>();
            Buchlernen_t& target = learning ? *learning : *fresh;
            if (target.readMemory(c.file) && !learning) learning = std::move(fresh);
            return;
        }
        case BookCommand::WriteMem:
            if (learning) learning->writeMemory(c.file);
            return;
        case BookCommand::Write960:
            learning.reset();
            return;
        case BookCommand::WriteEpd:
        case BookCommand::Write:
            // An output that cannot be opened keeps the object: nothing learned is lost.
            if (learning && learning->writeBook(c.file, c.threshold, c.width)) learning.reset();
            return;
        case BookCommand::Entropy: {
            Buch_t book;
            book.load(c.file);
            char text[64];
            std::snprintf(text, sizeof text, "info book entropy %10.2f", bookEntropy(book));
            context.line(text);
            return;
        }
        case BookCommand::Positions: {
            Buch_t book;
            book.load(c.file);
            if (!writeEndPositions(book, c.out))
                std::cerr << "info string error opening the output file " << c.out << std::endl;
            return;
        }
        case BookCommand::MakePos:
            makePositions(c, context);
            return;
    }
}

}  // namespace

void runBookCommand(const BookCommand& c, BookContext& context) {
    try {
        runGuarded(c, context);
    } catch (const std::bad_alloc&) {
        // A file larger than the memory (readmem reads it whole) must not end the engine;
        // readmem changes nothing then, add keeps what it learned so far.
        std::cerr << "info string out of memory: book " << c.file << std::endl;
    }
}

}  // namespace tolvaren
