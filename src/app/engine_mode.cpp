#include "app/engine_mode.h"

#include <unistd.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "board/random.h"
#include "protocol/text_scan.h"
#include "protocol/uci_interface.h"
#include "protocol/uci_output.h"
#include "protocol/xboard_interface.h"
#include "protocol/xboard_output.h"
#include "search/options.h"
#include "search/output.h"
#include "search/search.h"
#include "search/time_control.h"
#include "tools/random_searcher.h"

namespace tolvaren {

namespace {

// The objects of one engine session. Members are declared in reverse order of
// destruction: the interface goes first, then the sink, the searcher and the clock.
struct Session {
    std::unique_ptr<Zeitkontrolle_t> time;
    std::unique_ptr<Sucher_t> searcher;  // its thread waits for the first "go"
    const Optionsbeschreibung_t* optionTable = engineOptionTable;
    std::unique_ptr<Ausgabe_t> output;
    std::unique_ptr<UciInterface_t> uciBehind;  // XBoard mode: the UCI interface the adapter drives
    std::unique_ptr<Eingabe_t> input;

    explicit Session(SearcherKind kind) {
        if (kind == SearcherKind::Normal) {
            searcher = std::make_unique<Suche_t>();
            return;
        }
        // Two random movers started in the same second still play different games.
        Zufall_t::global().seed(static_cast<uint32_t>(std::time(nullptr)) + static_cast<uint32_t>(getpid()));
        searcher = std::make_unique<SucheZufall_t>(kind == SearcherKind::RandomMate);
        optionTable = emptyOptionTable;  // a random mover has nothing to set
    }

    // Builds the objects for a protocol word; false when the word names no protocol.
    bool choose(const char* word) {
        const bool uci = std::strcmp(word, "uci") == 0;
        const bool uciTest = std::strcmp(word, "ucitest") == 0;
        if (std::strcmp(word, "xboard") == 0) {
            chooseXboard();
            return true;
        }
        if (!uci && !uciTest) return false;
        time = std::make_unique<Zeitkontrolle_t>();
        if (uci)
            output = std::make_unique<UciAusgabe_t>(optionTable);
        else
            output = std::make_unique<UciTestausgabe_t>(*time);
        input = std::make_unique<UciInterface_t>(searcher.get(), optionTable, *time, *output);
        return true;
    }

    void chooseXboard() {
        time = std::make_unique<Zeitkontrolle_t>();
        auto sink = std::make_unique<XBoardAusgabe_t>(*time);
        uciBehind = std::make_unique<UciInterface_t>(searcher.get(), optionTable, *time, *sink);
        auto adapter = std::make_unique<XBoardInterface_t>(*uciBehind, uciBehind->options(), *sink);
        sink->connect(adapter.get(), &uciBehind->options());
        output = std::move(sink);
        input = std::move(adapter);
    }

    bool xboardMode() const { return uciBehind != nullptr; }

    void shutDown() {
        input.reset();
        uciBehind.reset();
        output.reset();
        searcher.reset();
        time.reset();
    }
};

}  // namespace

int runEngineMode(std::FILE* in, SearcherKind kind) {
    std::setvbuf(in, nullptr, _IONBF, 0);
    Session session(kind);
    std::vector<char> buffer(LineBufferSize);
    char word[MaxWordLength + 1];

    while (!quitFlag.load(std::memory_order_relaxed) && !std::feof(in)) {
        if (std::fgets(buffer.data(), static_cast<int>(buffer.size()), in) == nullptr) break;
        buffer.back() = '\0';
        trimTrailingSpace(buffer.data());
        if (!firstWord(buffer.data(), word)) continue;

        if (session.input) {
            session.input->handleLine(buffer.data());
        } else if (!session.choose(word)) {
            std::fputs("'uci' or 'xboard' expected\n", stderr);
            std::fflush(stderr);
        }
    }

    // End of input: a search without its own limit is stopped and reports its move; a
    // limited one finishes and prints its result; then quit.
    if (!quitFlag.load(std::memory_order_relaxed) && session.input) {
        if (auto* uci = dynamic_cast<UciInterface_t*>(session.input.get())) uci->stopUnlimitedSearch();
        // XBoard knows no "position"; its GUI is gone, so the adapter just quits.
        if (!session.xboardMode()) session.input->handleLine("position startpos");
        session.input->handleLine("quit");
    }
    session.shutDown();
    return 0;
}

int runBenchMode(int argc, const char* const* argv, std::FILE* out) {
    std::string line = "bench";
    for (int i = 2; i < argc; ++i) line += std::string(" ") + argv[i];
    // The UCI interface's own command, with a sink that prints plain lines and no "uci" answer.
    Suche_t searcher;
    Zeitkontrolle_t time;
    Ausgabe_t output(out);
    UciInterface_t uci(&searcher, engineOptionTable, time, output);
    uci.handleLine(line.c_str());
    return 0;
}

}  // namespace tolvaren
