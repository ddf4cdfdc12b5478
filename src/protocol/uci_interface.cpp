#include "protocol/uci_interface.h"

#include <cstring>
#include <string>
#include <string_view>

#include "board/perft.h"
#include "board/position_command.h"
#include "eval/explain.h"
#include "eval/material.h"
#include "eval/pawn_structure.h"
#include "net/time_trainer.h"
#include "protocol/output.h"
#include "protocol/text_scan.h"

namespace tolvaren {

// Command words, compared exactly; a word not listed here is ignored.
const UciInterface_t::Command UciInterface_t::commands[] = {
    {"debug", &UciInterface_t::debugCommand},   {"isready", &UciInterface_t::isready},
    {"setoption", &UciInterface_t::setoption},  {"ucinewgame", &UciInterface_t::ucinewgame},
    {"quit", &UciInterface_t::quit},            {"time", &UciInterface_t::timeCommand},
    {"position", &UciInterface_t::positionCommand}, {"perft", &UciInterface_t::perftCommand},
    {"eval", &UciInterface_t::evalCommand},
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

void UciInterface_t::debugCommand(const char* line) { debug_ = std::strstr(line, "on") != nullptr ? 1 : 0; }

void UciInterface_t::isready(const char*) { output_.line("readyok"); }

void UciInterface_t::setoption(const char* line) {
    // The blank after the word is required; values take effect when their reader next looks.
    if (startsWith(line, "setoption ")) options_.applySetoption(line + 10);
}

void UciInterface_t::ucinewgame(const char*) {}

void UciInterface_t::quit(const char*) {
    // Mute first so that a search ending now prints nothing, not even its best move.
    output_.mute();
    quitFlag.store(true, std::memory_order_relaxed);
    // With a searcher attached, this is where it is stopped and awaited.
    (void)searcher_;
}

void UciInterface_t::timeCommand(const char* line) {
    // The trainer reports on standard error; the text after the word is its argument.
    tolvaren::timeCommand(std::string_view(std::strstr(line, "time") + 4), trainer_);
}

namespace {

// The text after a command word (and the blanks behind it).
std::string_view argumentsAfter(const char* line, const char* word) {
    const char* p = std::strstr(line, word);
    return p ? std::string_view(p + std::strlen(word)) : std::string_view();
}

}  // namespace

void UciInterface_t::positionCommand(const char* line) {
    const std::string text(argumentsAfter(line, "position"));
    setPositionFromCommand(position_, states_, stateIndex_, text,
                           [this](std::string_view message, std::string_view detail) {
                               const std::string m(message), d(detail);
                               output_.error(m.c_str(), d.c_str());
                           });
}

void UciInterface_t::perftCommand(const char* line) {
    const std::string text(argumentsAfter(line, "perft"));
    runPerftCommand(
        position_, text,
        [this](std::string_view l) {
            const std::string s(l);
            output_.line(s.c_str());
        },
        [this](std::string_view message, std::string_view detail) {
            const std::string m(message), d(detail);
            output_.error(m.c_str(), d.c_str());
        });
}

void UciInterface_t::evalCommand(const char*) {
    // Fresh tables, so the report shows the computed entries, not whatever a search left.
    auto material = std::make_unique<Materialtabelle_t>();
    auto pawns = std::make_unique<Bauerntabelle_t>();
    explainEvaluation(position_, states_[stateIndex_], *material, *pawns, [this](std::string_view l) {
        const std::string s(l);
        output_.line(s.c_str());
    });
}

}  // namespace tolvaren
