// The "book" command: its grammar (the subcommand is the word after "book"; file
// names run to the first stop word) and its work on the learning object that the
// protocol interface owns. Searches for "makepos" come from the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "board/move.h"

namespace tolvaren {

struct Stellung_t;
class Buchlernen_t;

// Names this long or longer are refused.
constexpr size_t MaxBookFileName = 1024;

struct BookCommand {
    enum Kind {
        None,
        Delete,
        Lock,
        Unlock,
        Add,
        ReadMem,
        WriteMem,
        Write960,
        WriteEpd,
        Write,
        Entropy,
        Positions,
        MakePos,
        AddPos
    };
    Kind kind = None;
    std::string file, out;
    unsigned value = 1000;
    bool calcElo = false;
    int threshold = 3000;
    int width = 25;
    uint64_t nodes = 1000000;
    int hash = 3;
};

// Reads the text after the word "book"; kind None when the line asks for nothing.
BookCommand parseBookCommand(std::string_view text);

struct BookContext {
    std::unique_ptr<Buchlernen_t>& learning;
    std::function<void(const char*)> line;  // the output sink's line
    // Searches a position (White to move) to a node count with a table of the given
    // size; false when no search is available.
    std::function<bool(const Stellung_t&, uint64_t nodes, int hashMiB, int& centipawns, Zug_t& best)> analyse;
};

// Runs one book command; running out of memory is reported, never thrown.
void runBookCommand(const BookCommand& command, BookContext& context);

}  // namespace tolvaren
