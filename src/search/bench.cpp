#include "search/bench.h"

#include "board/fen.h"
#include "board/position.h"
#include "search/options.h"
#include "search/output.h"
#include "search/searcher.h"
#include "search/time_control.h"

namespace tolvaren {

// Openings and middlegames reached by common lines, the usual perft positions, endings
// from king and pawn to queen against rook, and a few short mates.
const char* const BenchPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "rnbqkb1r/1p2pppp/p2p1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R w KQkq -",
    "r1bqk2r/1pppbppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQ1RK1 w kq -",
    "rnbq1rk1/ppp1bppp/4pn2/3p2B1/2PP4/2N1P3/PP3PPP/R2QKBNR w KQ -",
    "rnbq1rk1/ppp2pbp/3p1np1/4p3/2PPP3/2N2N2/PP2BPPP/R1BQK2R w KQ -",
    "rnbqk2r/pppnbppp/4p3/3pP1B1/3P4/2N5/PPP2PPP/R2QKBNR w KQkq -",
    "rn1qkbnr/pp2pppp/2p3b1/8/3P4/6N1/PPP2PPP/R1BQKBNR w KQkq -",
    "rnbqkb1r/ppp2ppp/1n6/4p3/8/2N3P1/PP1PPPBP/R1BQK1NR w KQkq -",
    "r1bqk2r/pppp1ppp/2n2n2/8/1bBPP3/5N2/PP1B1PPP/RN1QK2R b KQkq -",
    "rn1qkb1r/pp2pppp/2p2n2/5b2/P1pP4/2N2N2/1P2PPPP/R1BQKB1R w KQkq -",
    "rnbq1rk1/ppp1b1pp/3ppn2/5p2/2PP4/5NP1/PP2PPBP/RNBQ1RK1 w - -",
    "rn2kb1r/ppp1pppp/5n2/q4b2/3P4/2N2N2/PPP2PPP/R1BQKB1R w KQkq -",
    "rnbq1rk1/ppp1ppbp/3p1np1/8/3PPP2/2N2N2/PPP3PP/R1BQKB1R w KQ -",
    "r1b2rk1/2q1bppp/p2p1n2/npp1p3/3PP3/2P2N1P/PPBN1PP1/R1BQR1K1 b - -",
    "r2q1rk1/3nbppp/p2pbn2/4p1P1/1p2P3/1NN1BP2/PPPQ3P/2KR1B1R w - -",
    "r1bqrnk1/1p2bppp/2p2n2/p2p2B1/3P4/P1NBP3/1PQ1NPPP/1R3RK1 b - -",
    "r4rk1/p1ppqpbp/b1p3p1/3nP3/2P5/1P4P1/PB2QPBP/RN2K2R b KQ -",
    "r1bq1rk1/pp1n1ppp/4pn2/b7/2BP4/P1N2N2/1P2QPPP/R1B2RK1 b - -",
    "r1bqk2r/pp2npbp/2n1p1p1/3pP3/3P4/4B1P1/PP1Q1PBP/R2NK1NR b KQkq -",
    "r2q1rk1/pb3ppp/1pnbp3/2ppN3/3PnP2/2PBP1B1/PP1N2PP/R2QK2R w KQ -",
    "rnb1k2r/ppp2p1p/3b4/3PN2n/2BP1pp1/8/PPP3P1/RNB1R1K1 b kq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "8/8/3k4/8/3PK3/8/8/r6R w - -",
    "1K1k4/1P6/8/8/8/8/r7/2R5 w - -",
    "4k3/8/8/4PK2/8/8/r7/7R b - -",
    "8/8/8/4k3/8/8/4P3/4K3 w - -",
    "8/8/8/2k5/8/8/1r6/3QK3 w - -",
    "8/8/8/4k3/8/8/8/4KBN1 w - -",
    "8/5pk1/6p1/7p/7P/6P1/5PK1/8 w - -",
    "8/1p6/p1p5/P1P1k3/1P6/4K3/8/8 w - -",
    "8/p4pk1/1p4p1/2r4p/7P/1P4P1/P4PK1/3R4 w - -",
    "8/pp3k2/2p1pp2/3n4/3P4/2PB1P2/PP3K2/8 w - -",
    "8/6pk/7p/8/8/6QP/5PPK/3q4 b - -",
    "6k1/5ppp/8/8/8/8/r4PPP/1R4K1 w - -",
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq -",
    "k7/8/2K5/8/8/8/8/7R w - -",
    "2r3k1/1q3ppp/p3p3/1p1nP3/3Q4/P4N2/1P3PPP/2R3K1 w - -",
    "r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq -",
};
const int BenchPositionCount = sizeof(BenchPositions) / sizeof(BenchPositions[0]);

BenchResult runBench(Sucher_t& searcher, int depth, int threads, std::vector<int64_t>* positionMillis) {
    return runBench(searcher, BenchPositions, BenchPositionCount, depth, threads, positionMillis);
}

BenchResult runBench(Sucher_t& searcher, const char* const* positions, int count, int depth, int threads,
                     std::vector<int64_t>* positionMillis) {
    Optionen_t options(engineOptionTable);
    options.setNumber(OptionHash, BenchHashMiB);
    options.setNumber(OptionProcessors, threads);
    options.setFlag(OptionOwnBook, false);
    Zeitkontrolle_t time;
    Ausgabe_t silent;  // the base sink prints no search reports
    BenchResult result;
    const int64_t start = nowMillis();
    for (int i = 0; i < count; ++i) {
        Stellung_t pos;
        Zustand_t state;
        if (!readFen(pos, state, positions[i])) {
            result.badFen = positions[i];
            break;
        }
        options.pressButton(OptionClearHash);
        time.startSearch({.depth = depth});
        const int64_t positionStart = nowMillis();
        searcher.start(pos, options, time, Sucher_t::FlagSynchronous, silent, nullptr, nullptr);
        result.nodes += searcher.searchedNodes();
        if (positionMillis) positionMillis->push_back(nowMillis() - positionStart);
    }
    result.millis = nowMillis() - start;
    return result;
}

}  // namespace tolvaren
