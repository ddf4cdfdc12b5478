#include "match/openings.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "board/data_path.h"
#include "pgn/pgn_reader.h"

namespace tolvaren::match {

// The shipped lines beside the program (or in its installed tree), not a file that
// happens to lie in the working directory.
std::string defaultOpenings() {
    const std::vector<std::string> places = dataCandidates("openings.pgn");
    for (std::size_t i = 1; i < places.size(); ++i)
        if (std::FILE* f = std::fopen(places[i].c_str(), "rb")) {
            std::fclose(f);
            return places[i];
        }
    std::fprintf(stderr,
                 "tolvaren-match: no openings.pgn beside the program: games start from the start position\n");
    return "none";
}

std::vector<Opening> readOpenings(const std::string& file, int64_t plies) {
    std::vector<Opening> lines;
    if (file == "none") {
        Opening o;
        setStartPosition(o.start, o.startState);
        lines.push_back(o);
        return lines;
    }
    PgnLeser_t reader;
    if (!reader.open(file)) return lines;
    auto game = std::make_unique<Partie_t>();
    int64_t skipped = 0;
    while (!reader.atEnd()) {
        // Lines with an illegal or unreadable move are reported by the reader and skipped.
        if (!reader.readGame(*game)) {
            if (!reader.atEnd()) ++skipped, reader.skipToNextGame();
            continue;
        }
        Opening o;
        const auto event = game->tags.find("Event");
        if (event != game->tags.end()) o.name = event->second;
        const auto fen = game->tags.find("FEN");
        if (fen != game->tags.end()) o.fen = fen->second;
        o.start = game->start, o.startState = game->startState;
        o.moves.assign(
            game->moves.begin(),
            game->moves.begin() + std::min<int64_t>(plies, static_cast<int64_t>(game->moves.size())));
        lines.push_back(std::move(o));
    }
    if (skipped)
        std::fprintf(stderr, "tolvaren-match: %lld opening lines skipped\n", static_cast<long long>(skipped));
    return lines;
}

}  // namespace tolvaren::match
