// The UCI output sinks: UciAusgabe_t prints the protocol's info and bestmove lines,
// UciTestausgabe_t ("ucitest") prints one timing line per search instead.
// Created by the input loop when the protocol word is read.
#pragma once

#include <cstdio>

#include "protocol/uci_format.h"
#include "search/options.h"
#include "search/output.h"

namespace tolvaren {

class Zeitkontrolle_t;

// The engine's name and version as the "uci" answer and "--version" give them.
constexpr const char* EngineName = "Tolvaren 2017-01-01";

// Prints the answer to "uci": identity, the announced options of the table, "uciok".
void printUciAnswer(Ausgabe_t& output, const Optionsbeschreibung_t* optionTable);

class UciAusgabe_t : public Ausgabe_t {
   public:
    // Prints the answer to "uci" at once.
    explicit UciAusgabe_t(const Optionsbeschreibung_t* optionTable, std::FILE* out = stdout);

    void message(const char* text) override;
    void statistics(int depthIndex, int selDepth, int64_t millis, int64_t nodes, int hashFull,
                    int64_t tbHits) override;
    void bestMove(const Stellung_t& pos, Zug_t best, Zug_t ponder) override;
    void currentMove(const Stellung_t& pos, Zug_t move, int number, int hashFull) override;
    void principalVariation(const Stellung_t& pos, const Zug_t* moves, int length, int32_t score,
                            int32_t alpha, int32_t beta, int depthIndex, int selDepth, int64_t millis,
                            int64_t nodes, int hashFull, int64_t tbHits, bool suppress) override;
    void multiPvLine(const Stellung_t& pos, const Zug_t* moves, int length, int lineNumber, int32_t score,
                     int depthIndex) override;
};

class UciTestausgabe_t : public Ausgabe_t {
   public:
    // The search's length is measured from the time-control object's start.
    explicit UciTestausgabe_t(const Zeitkontrolle_t& time, std::FILE* out = stdout);

    void bestMove(const Stellung_t& pos, Zug_t best, Zug_t ponder) override;

    const SearchTimes& times() const { return times_; }

   private:
    SearchTimes times_;  // touched only by the thread that ends a search
    const Zeitkontrolle_t& time_;
};

}  // namespace tolvaren
