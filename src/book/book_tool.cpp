#include "book/book_tool.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/book_learning.h"
#include "book/book_walk.h"

namespace tolvaren {

namespace {

// A whole non-negative decimal number, nothing else.
bool readNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= 0 && value < 1e9;
}

bool exists(const char* name) {
    std::FILE* f = std::fopen(name, "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// Copies the work file to its backup, itself through a temporary name.
bool backUp(std::FILE* err) {
    const std::string backup = std::string(BookWorkFile) + ".bak";
    std::ifstream in(BookWorkFile, std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string temporary = backup + ".tmp";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!in.good() && !in.eof()) out.setstate(std::ios::failbit);
    if (!out || std::rename(temporary.c_str(), backup.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::fprintf(err, "info string error writing file: %s\n", backup.c_str());
        return false;
    }
    return true;
}

struct Arguments {
    enum { Add, AddPos, Write, Stats } command;
    std::vector<const char*> files;
    unsigned value = 1000;
    bool calcElo = false;
    int thresholdMilli = 3000;
    int width = 25;
};

bool parse(int argc, const char* const* argv, Arguments& a) {
    if (argc < 3) return false;
    const std::string command = argv[2];
    if (command == "stats") {
        a.command = Arguments::Stats;
        return argc == 3;
    }
    if (command == "write") {
        // write BOOK [THRESHOLD-IN-GAMES [WIDTH]]
        a.command = Arguments::Write;
        if (argc < 4 || argc > 6) return false;
        a.files.push_back(argv[3]);
        double number;
        if (argc > 4) {
            if (!readNumber(argv[4], number)) return false;
            a.thresholdMilli = static_cast<int>(number * 1000 + 0.5);
        }
        if (argc > 5) {
            if (!readNumber(argv[5], number) || number < 1) return false;
            a.width = static_cast<int>(number);
        }
        return true;
    }
    if (command != "add" && command != "addpos") return false;
    // add [--calcelo] [--value N] FILE...; addpos [--value N] FILE...
    a.command = command == "add" ? Arguments::Add : Arguments::AddPos;
    for (int i = 3; i < argc; ++i) {
        double number;
        if (std::strcmp(argv[i], "--calcelo") == 0 && a.command == Arguments::Add) {
            a.calcElo = true;
        } else if (std::strcmp(argv[i], "--value") == 0) {
            if (i + 1 == argc || !readNumber(argv[i + 1], number)) return false;
            a.value = static_cast<unsigned>(number);
            ++i;
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return false;
        } else {
            a.files.push_back(argv[i]);
        }
    }
    return !a.files.empty();
}

}  // namespace

int runBookTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    Arguments a;
    if (!parse(argc, argv, a)) {
        std::fputs("Parameter error\n", err);
        std::fflush(err);
        return -1;
    }
    auto learning = std::make_unique<Buchlernen_t>();
    const bool present = exists(BookWorkFile);
    // A damaged work file is never overwritten: it may still be worth saving by hand.
    if (present && !learning->readMemory(BookWorkFile)) return 1;

    if (a.command == Arguments::Stats) {
        double games = 0;
        std::fprintf(out, "positions %zu\nmoves %zu\nanalysed positions %zu\n", learning->records().size(),
                     learning->recordCount(), learning->analysedKeys().size());
        for (const auto& [key, moves] : learning->records())
            for (const Lerneintrag_t& r : moves) games += r.games;
        std::fprintf(out, "move observations %.0f\n", games);
        std::fflush(out);
        return 0;
    }
    if (a.command == Arguments::Write) {
        if (!learning->writeBook(a.files[0], a.thresholdMilli, a.width)) return 1;
        Buch_t book;
        const bool loads = book.load(a.files[0]);
        std::fprintf(out, "%s: %zu entries, entropy %.2f\n", a.files[0], book.entries().size(),
                     loads ? bookEntropy(book) : 0.0);
        std::fflush(out);
        return loads ? 0 : 1;
    }
    if (learning->locked()) {
        std::fputs("info string book learning is locked\n", err);
        return 1;
    }
    long total = 0;
    for (const char* file : a.files)
        total += a.command == Arguments::Add ? learning->addGames(file, a.value, a.calcElo)
                                             : learning->addPositions(file, a.value);
    if (present && !backUp(err)) return 1;
    if (!learning->writeMemory(BookWorkFile)) return 1;
    std::fprintf(out, "%ld %s learned\n", total, a.command == Arguments::Add ? "games" : "positions");
    std::fflush(out);
    return 0;
}

}  // namespace tolvaren
