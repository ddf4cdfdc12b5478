// The match manager: plays UCI engines against each other for strength testing, with
// openings from a PGN file played with both colours, a strict clock, fault counting,
// optional adjudication and SPRT, and a closing block that scripts can parse.
// Run `tolvaren-match --help` for the command line.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <utility>
#include <vector>

#include "match/command_line.h"
#include "match/engine_process.h"
#include "match/match.h"
#include "match/openings.h"

using namespace tolvaren::match;

namespace {

std::atomic<bool> stopRequested{false};

void onSignal(int) {
    stopRequested = true;
}

}  // namespace

int main(int argc, char** argv) {
    auto settings = parseCommandLine(argc, argv);
    if (!settings) return 2;
    signal(SIGPIPE, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    for (const EngineSetup& e : settings->engines) {
        EngineProcess probe;
        if (!probe.start(e)) {
            std::fprintf(stderr, "tolvaren-match: engine %s (%s) does not start as a UCI engine\n",
                         e.name.c_str(), e.cmd.c_str());
            return 2;
        }
        probe.quit();
    }
    if (settings->openings.empty()) settings->openings = defaultOpenings();
    std::vector<Opening> openings = readOpenings(settings->openings, settings->plies);
    if (openings.empty()) {
        std::fprintf(stderr, "tolvaren-match: no usable opening in %s\n", settings->openings.c_str());
        return 2;
    }
    Match match(*settings, std::move(openings), stopRequested);
    match.run();
    return 0;
}
