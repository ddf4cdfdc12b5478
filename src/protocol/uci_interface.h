// The UCI command interpreter: keeps the option values, executes one command line
// at a time and answers through the output sink. Fed by the input loop, and in
// XBoard mode by the adapter's command queue.
#pragma once

#include <cstdint>
#include <memory>

#include "board/position.h"
#include "protocol/go_command.h"
#include "protocol/input.h"
#include "search/options.h"

namespace tolvaren {

class Ausgabe_t;
class Buchlernen_t;
class Sucher_t;
class Zeitkontrolle_t;
class ZeitnetzTrainer_t;

class UciInterface_t : public Eingabe_t {
   public:
    // The searcher, time control and sink stay owned by the caller; the searcher may be null.
    UciInterface_t(Sucher_t* searcher, const Optionsbeschreibung_t* optionTable, Zeitkontrolle_t& time,
                   Ausgabe_t& output);
    ~UciInterface_t() override;
    UciInterface_t(const UciInterface_t&) = delete;
    UciInterface_t& operator=(const UciInterface_t&) = delete;

    void handleLine(const char* line) override;

    Optionen_t& options() { return options_; }
    const Optionen_t& options() const { return options_; }
    bool debug() const { return debug_ != 0; }
    const Stellung_t& position() const { return position_; }
    const Zustand_t& state() const { return states_[stateIndex_]; }

    // End of input: a search without a limit of its own is stopped (it still reports
    // its best move); a limited one is left to finish.
    void stopUnlimitedSearch();

   private:
    using Handler = void (UciInterface_t::*)(const char* line);
    struct Command {
        const char* word;
        Handler run;
    };
    static const Command commands[];

    void debugCommand(const char* line);
    void isready(const char* line);
    void setoption(const char* line);
    void ucinewgame(const char* line);
    void quit(const char* line);
    void position(const char* line);
    void go(const char* line);
    void stop(const char* line);
    void ponderhit(const char* line);
    void perft(const char* line);
    void bench(const char* line);
    void timeCommand(const char* line);
    void evalCommand(const char* line);
    void book(const char* line);

    Ausgabe_t& output_;
    Optionen_t options_;
    Zeitkontrolle_t& time_;
    Stellung_t position_{};
    Sucher_t* searcher_;
    Zustand_t states_[2]{};
    int stateIndex_ = 0;  // which of states_ belongs to position_
    Zug_t searchMoves_[MaxSearchMoves] = {};
    uint8_t debug_ = 0;
    bool unlimitedSearch_ = false;                // the last "go" was "infinite" or "ponder"
    std::unique_ptr<ZeitnetzTrainer_t> trainer_;  // made by the first "time" command that needs it
    std::unique_ptr<Buchlernen_t> learning_;      // from the first "book add" (or readmem, addpos) on
};

}  // namespace tolvaren
