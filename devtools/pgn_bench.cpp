// Game files for measuring the PGN reader: "write" makes random legal games (with
// comments, glyphs, suffixes and variations sprinkled in), "read" times reading a file.
// Usage: pgn_bench write <file> <games> [seed] | pgn_bench read <file> [minimum Elo]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "board/random.h"
#include "pgn/pgn_reader.h"
#include "pgn/san_writer.h"

using namespace tolvaren;

namespace {

std::vector<Zug_t> legalMoves(const Stellung_t& pos, const Zustand_t& state) {
    Zugliste_t list;
    const uint32_t* end = generate(pos, state, list.begin());
    std::vector<Zug_t> out;
    for (const uint32_t* m = list.begin(); m != end; ++m)
        if (leavesKingSafe(pos, state, moveOf(*m))) out.push_back(moveOf(*m));
    return out;
}

// Appends a word, breaking lines before 80 characters as game files do.
void put(std::string& out, size_t& lineStart, const std::string& word) {
    if (out.size() - lineStart + word.size() + 1 > 79) {
        out += '\n';
        lineStart = out.size();
    } else if (out.size() > lineStart) {
        out += ' ';
    }
    out += word;
}

int write(const char* fileName, long games, uint32_t seed) {
    std::FILE* file = std::fopen(fileName, "wb");
    if (!file) return std::perror(fileName), 1;
    Zufall_t random;
    random.seed(seed);
    auto pos = std::make_unique<Stellung_t>();
    Zustand_t state;
    static const char* const Suffixes[] = {"!", "?", "!!", "??", "!?", "?!"};
    static const char* const Results[] = {"1-0", "0-1", "1/2-1/2", "*"};
    for (long g = 0; g < games; ++g) {
        setStartPosition(*pos, state);
        const int plies = static_cast<int>(random.integer(20, 160));
        std::string moves;
        size_t lineStart = 0;
        const char* result = nullptr;
        for (int ply = 0; ply < plies; ++ply) {
            const std::vector<Zug_t> legal = legalMoves(*pos, state);
            if (legal.empty()) {
                result = inCheck(*pos, state) ? (pos->side == White ? "0-1" : "1-0") : "1/2-1/2";
                break;
            }
            const Zug_t move = legal[random.integer(0, static_cast<uint32_t>(legal.size() - 1))];
            if (pos->side == White) put(moves, lineStart, std::to_string(ply / 2 + 1) + ".");
            std::string san = writeSan(*pos, state, move);
            if (random.integer(0, 99) < 5) san += Suffixes[random.integer(0, 5)];
            put(moves, lineStart, san);
            const uint32_t extra = random.integer(0, 99);
            if (extra < 3)
                put(moves, lineStart, "{a comment; with (brackets)}");
            else if (extra < 5)
                put(moves, lineStart, std::to_string(random.integer(1, 20)).insert(0, 1, '$'));
            else if (extra < 7)
                put(moves, lineStart, "( " + writeSan(*pos, state, legal[0]) + " ( Zz9 ) Nf3 )");
            Zustand_t after;
            playPermanent(*pos, move, state, after);
            state = after;
        }
        if (!result) result = Results[random.integer(0, 3)];
        std::fprintf(file, "[Event \"Random games\"]\n[Site \"here\"]\n[Round \"%ld\"]\n", g + 1);
        std::fprintf(file, "[White \"Player %u\"]\n[Black \"Player %u\"]\n[Result \"%s\"]\n",
                     random.integer(1, 99), random.integer(1, 99), result);
        if (random.integer(0, 9)) std::fprintf(file, "[WhiteElo \"%u\"]\n", random.integer(1800, 2800));
        if (random.integer(0, 9)) std::fprintf(file, "[BlackElo \"%u\"]\n", random.integer(1800, 2800));
        put(moves, lineStart, result);
        std::fprintf(file, "\n%s\n\n", moves.c_str());
    }
    std::fclose(file);
    return 0;
}

int read(const char* fileName, int minimumElo) {
    PgnLeser_t reader;
    if (!reader.open(fileName)) return 1;
    auto game = std::make_unique<Partie_t>();
    long games = 0, moves = 0, failed = 0;
    long results[4] = {};
    const auto start = std::chrono::steady_clock::now();
    while (!reader.atEnd()) {
        int result = 3;
        if (readGameFiltered(reader, *game, minimumElo, &result)) {
            ++games;
            moves += static_cast<long>(game->moves.size());
            ++results[result];
        } else if (!reader.atEnd()) {
            ++failed;
            reader.skipToNextGame();
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("games %ld (1-0 %ld, 0-1 %ld, draws %ld, other %ld), failed %ld, moves %ld\n", games,
                results[0], results[1], results[2], results[3], failed, moves);
    std::printf("time %.3f s, games per second %.0f, moves per second %.0f\n", seconds,
                games / (seconds > 0 ? seconds : 1e-9), moves / (seconds > 0 ? seconds : 1e-9));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && !std::strcmp(argv[1], "write"))
        return write(argv[2], std::atol(argv[3]), argc > 4 ? static_cast<uint32_t>(std::atol(argv[4])) : 1);
    if (argc >= 3 && !std::strcmp(argv[1], "read")) return read(argv[2], argc > 3 ? std::atoi(argv[3]) : 0);
    std::fprintf(stderr,
                 "usage: pgn_bench write <file> <games> [seed] | pgn_bench read <file> [minimum Elo]\n");
    return 2;
}
