#include "protocol/uci_output.h"

#include "board/notation.h"
#include "search/time_control.h"

namespace tolvaren {

namespace {

constexpr const char* IdAuthor = "id author Kestrane";

// Room for the longest coordinate move and its terminator.
constexpr int MoveTextSize = 8;

void appendVariation(TextLine& line, const Stellung_t& pos, const Zug_t* moves, int length) {
    char text[MoveTextSize];
    for (int i = 0; i < length; ++i)
        if (!line.appendMove(writeCoordinate(pos, moves[i], text))) break;
}

}  // namespace

void printUciAnswer(Ausgabe_t& output, const Optionsbeschreibung_t* optionTable) {
    TextLine id;
    id.appendf("id name %s", EngineName);
    output.line(id.c_str());
    output.line(IdAuthor);
    char text[512];
    for (const Optionsbeschreibung_t* o = optionTable; o->name != nullptr; ++o) {
        if (!o->announced) continue;
        formatOptionLine(*o, text, sizeof text);
        output.line(text);
    }
    output.line("uciok");
}

UciAusgabe_t::UciAusgabe_t(const Optionsbeschreibung_t* optionTable, std::FILE* out) : Ausgabe_t(out) {
    printUciAnswer(*this, optionTable);
}

void UciAusgabe_t::message(const char* text) {
    if (muted()) return;
    TextLine line;
    line.appendf("info string %s", text);
    writeLine(line.c_str());
}

void UciAusgabe_t::statistics(int depthIndex, int selDepth, int64_t millis, int64_t nodes, int hashFull,
                              int64_t tbHits) {
    if (muted()) return;
    TextLine line;
    formatStatistics(line, {depthIndex, selDepth, millis, nodes, hashFull, tbHits});
    writeLine(line.c_str());
}

void UciAusgabe_t::bestMove(const Stellung_t& pos, Zug_t best, Zug_t ponder) {
    if (muted()) return;
    char bestText[MoveTextSize];
    char ponderText[MoveTextSize];
    // A ponder move counts only when its kind bits are set.
    const bool withPonder = moveKind(ponder) != ZugKeiner;
    TextLine line;
    formatBestMove(line, writeCoordinate(pos, best, bestText),
                   withPonder ? writeCoordinate(pos, ponder, ponderText) : nullptr);
    writeLine(line.c_str());
}

void UciAusgabe_t::currentMove(const Stellung_t& pos, Zug_t move, int number, int hashFull) {
    if (muted()) return;
    char text[MoveTextSize];
    TextLine line;
    formatCurrentMove(line, writeCoordinate(pos, move, text), number, hashFull);
    writeLine(line.c_str());
}

void UciAusgabe_t::principalVariation(const Stellung_t& pos, const Zug_t* moves, int length, int32_t score,
                                      int32_t alpha, int32_t beta, int depthIndex, int selDepth,
                                      int64_t millis, int64_t nodes, int hashFull, int64_t tbHits,
                                      bool suppress) {
    if (muted() || suppress) return;
    TextLine line;
    formatPvHead(line, score, alpha, beta, {depthIndex, selDepth, millis, nodes, hashFull, tbHits});
    appendVariation(line, pos, moves, length);
    writeLine(line.c_str());
}

void UciAusgabe_t::multiPvLine(const Stellung_t& pos, const Zug_t* moves, int length, int lineNumber,
                               int32_t score, int depthIndex) {
    if (muted()) return;
    TextLine line;
    formatMultiPvHead(line, lineNumber, score, depthIndex);
    appendVariation(line, pos, moves, length);
    writeLine(line.c_str());
}

UciTestausgabe_t::UciTestausgabe_t(const Zeitkontrolle_t& time, std::FILE* out)
    : Ausgabe_t(out), time_(time) {}

void UciTestausgabe_t::bestMove(const Stellung_t&, Zug_t, Zug_t) {
    if (muted()) return;
    const double seconds = times_.add(static_cast<double>(nowMillis() - time_.start) / 1000.0);
    TextLine line;
    formatTimingLine(line, times_, seconds);
    writeLine(line.c_str());
}

}  // namespace tolvaren
