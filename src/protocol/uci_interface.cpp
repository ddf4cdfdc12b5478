#include "protocol/uci_interface.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "board/perft.h"
#include "book/book_command.h"
#include "book/book_learning.h"
#include "eval/explain.h"
#include "eval/material.h"
#include "eval/pawn_structure.h"
#include "net/time_trainer.h"
#include "protocol/perft_command.h"
#include "protocol/position_command.h"
#include "protocol/setoption.h"
#include "protocol/text_scan.h"
#include "search/bench.h"
#include "search/output.h"
#include "search/searcher.h"
#include "search/time_control.h"

namespace tolvaren {

// Command words, compared exactly; a word not listed here is ignored.
const UciInterface_t::Command UciInterface_t::commands[] = {
    {"debug", &UciInterface_t::debugCommand},  {"isready", &UciInterface_t::isready},
    {"setoption", &UciInterface_t::setoption}, {"ucinewgame", &UciInterface_t::ucinewgame},
    {"quit", &UciInterface_t::quit},           {"time", &UciInterface_t::timeCommand},
    {"position", &UciInterface_t::position},   {"go", &UciInterface_t::go},
    {"stop", &UciInterface_t::stop},           {"ponderhit", &UciInterface_t::ponderhit},
    {"perft", &UciInterface_t::perft},         {"bench", &UciInterface_t::bench},
    {"eval", &UciInterface_t::evalCommand},    {"book", &UciInterface_t::book},
};

UciInterface_t::UciInterface_t(Sucher_t* searcher, const Optionsbeschreibung_t* optionTable,
                               Zeitkontrolle_t& time, Ausgabe_t& output)
    : output_(output), options_(optionTable), time_(time), searcher_(searcher) {
    setStartPosition(position_, states_[0]);
}

void UciInterface_t::handleLine(const char* line) {
    char word[MaxWordLength + 1];
    if (!firstWord(line, word)) return;
    for (const Command& c : commands) {
        if (std::strcmp(word, c.word) == 0) {
            (this->*c.run)(line);
            return;
        }
    }
}

UciInterface_t::~UciInterface_t() = default;

void UciInterface_t::debugCommand(const char* line) {
    debug_ = std::strstr(line, "on") != nullptr ? 1 : 0;
}

void UciInterface_t::isready(const char*) {
    output_.line("readyok");
}

void UciInterface_t::setoption(const char* line) {
    // The blank after the word is required; values take effect when their reader next looks.
    if (startsWith(line, "setoption ")) applySetoption(options_, line + 10);
}

void UciInterface_t::ucinewgame(const char*) {}

void UciInterface_t::quit(const char*) {
    // Mute first so that a search ending now prints nothing, not even its best move.
    output_.mute();
    quitFlag.store(true, std::memory_order_relaxed);
    if (searcher_) searcher_->stopAndWait();
}

void UciInterface_t::position(const char* line) {
    if (searcher_) searcher_->waitIdle();
    stateIndex_ = 0;
    const char* args = std::strstr(line, "position") + 8;
    if (*args != '\0') ++args;  // the blank after the word
    setPositionFromCommand(position_, states_, stateIndex_, args,
                           [this](std::string_view message, std::string_view detail) {
                               const std::string m(message), d(detail);
                               output_.error(m.c_str(), d.c_str());
                           });
}

void UciInterface_t::go(const char* line) {
    if (!searcher_) return;
    const GoParameters g = parseGo(line, position_.side);
    searcher_->waitIdle();
    // By name: the random searchers come with a table that lacks it.
    time_.incrementReserve = options_.number("MoveOverhead", Zeitkontrolle_t::DefaultIncrementReserve);
    time_.startSearch(g.limits);
    const int count = readSearchMoves(position_, states_[stateIndex_], line, searchMoves_);
    // A list that keeps no legal move would leave nothing to play: search them all then.
    const Zug_t* begin = count > 0 ? searchMoves_ : nullptr;
    const Zug_t* end = count > 0 ? searchMoves_ + count : nullptr;
    unlimitedSearch_ = g.limits.infinite || g.ponder;
    const int flags = (g.ponder ? Sucher_t::FlagPonder : 0) |
                      (g.limits.infinite ? Sucher_t::FlagInfinite : 0) | (debug_ ? Sucher_t::FlagDebug : 0);
    searcher_->start(position_, options_, time_, flags, output_, begin, end);
}

void UciInterface_t::stop(const char*) {
    if (searcher_) searcher_->stopAndWait();
}

void UciInterface_t::ponderhit(const char*) {
    unlimitedSearch_ = false;
    if (searcher_) searcher_->ponderhit();
}

void UciInterface_t::stopUnlimitedSearch() {
    if (searcher_ && (unlimitedSearch_ || searcher_->pondering())) searcher_->stopAndWait();
}

void UciInterface_t::perft(const char* line) {
    runPerftCommand(
        position_, std::string_view(std::strstr(line, "perft") + 5),
        [this](std::string_view text) { output_.line(std::string(text).c_str()); },
        [this](std::string_view message, std::string_view detail) {
            const std::string m(message), d(detail);
            output_.error(m.c_str(), d.c_str());
        });
}

void UciInterface_t::bench(const char* line) {
    if (!searcher_) return;
    searcher_->waitIdle();
    // "bench" alone uses the standard depth; "bench N" searches N iterations deep.
    const int depth = readDecimal32(skipSpace(std::strstr(line, "bench") + 5));
    const BenchResult result = runBench(*searcher_, depth > 0 ? depth : BenchDepth);
    char text[160];
    if (result.badFen != nullptr) {
        std::snprintf(text, sizeof text, "bench position does not load: %s", result.badFen);
        output_.message(text);
        return;
    }
    std::snprintf(text, sizeof text, "bench: nodes %llu", static_cast<unsigned long long>(result.nodes));
    output_.line(text);
    std::snprintf(text, sizeof text, "bench: nps %llu",
                  static_cast<unsigned long long>(result.nodesPerSecond()));
    output_.line(text);
}

void UciInterface_t::timeCommand(const char* line) {
    // The trainer reports on standard error; the text after the word is its argument.
    tolvaren::timeCommand(std::string_view(std::strstr(line, "time") + 4), trainer_);
}

void UciInterface_t::evalCommand(const char*) {
    // Fresh tables, so the report shows the computed entries, not whatever a search left.
    auto material = std::make_unique<Materialtabelle_t>();
    auto pawns = std::make_unique<Bauerntabelle_t>();
    explainEvaluation(position_, states_[stateIndex_], *material, *pawns, [this](std::string_view l) {
        const std::string s(l);
        output_.message(s.c_str());
    });
}

namespace {

// Keeps the last score and the best move of a silent search.
class CaptureOutput : public Ausgabe_t {
   public:
    void principalVariation(const Stellung_t&, const Zug_t*, int, int32_t s, int32_t, int32_t, int, int,
                            int64_t, int64_t, int, int64_t, bool) override {
        score = s;
    }
    void bestMove(const Stellung_t&, Zug_t b, Zug_t) override { best = b; }
    int32_t score = 0;
    Zug_t best = 0;
};

}  // namespace

void UciInterface_t::book(const char* line) {
    if (searcher_) searcher_->waitIdle();
    BookContext context{
        learning_, [this](const char* text) { output_.line(text); },
        [this](const Stellung_t& pos, uint64_t nodes, int hashMiB, int& centipawns, Zug_t& best) {
            if (!searcher_) return false;
            Optionen_t options(engineOptionTable);
            options.setNumber(OptionHash, hashMiB);
            options.setFlag(OptionOwnBook, false);
            options.setNumber(OptionMultiPv, 1);
            Zeitkontrolle_t time;
            time.startSearch({.nodes = static_cast<int64_t>(nodes)});
            CaptureOutput capture;
            searcher_->start(pos, options, time, Sucher_t::FlagSynchronous, capture, nullptr, nullptr);
            centipawns = capture.score >= 0 ? (capture.score + 9) / 10 : (capture.score - 9) / 10;
            best = capture.best;
            return true;
        }};
    runBookCommand(parseBookCommand(std::strstr(line, "book") + 4), context);
}

}  // namespace tolvaren
