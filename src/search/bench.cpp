#include "search/bench.h"

#include "board/fen.h"
#include "board/position.h"
#include "protocol/options.h"
#include "protocol/output.h"
#include "search/searcher.h"
#include "search/time_control.h"

namespace tolvaren {

const char* const BenchPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
};
const int BenchPositionCount = sizeof(BenchPositions) / sizeof(BenchPositions[0]);

BenchResult runBench(Sucher_t& searcher, int depth) {
    Optionen_t options(engineOptionTable);
    options.setNumber(OptionHash, BenchHashMiB);
    options.setFlag(OptionOwnBook, false);
    Zeitkontrolle_t time;
    Ausgabe_t silent;  // the base sink prints no search reports
    BenchResult result;
    const int64_t start = nowMillis();
    for (int i = 0; i < BenchPositionCount; ++i) {
        Stellung_t pos;
        Zustand_t state;
        if (!readFen(pos, state, BenchPositions[i])) continue;
        options.applySetoption("name Clear Hash");
        time.startSearch(false, 0, 0, 0, depth, 0, 0, 0, false, 0);
        searcher.start(pos, options, time, Sucher_t::FlagSynchronous, silent, nullptr, nullptr);
        result.nodes += searcher.searchedNodes();
    }
    result.millis = nowMillis() - start;
    return result;
}

}  // namespace tolvaren
