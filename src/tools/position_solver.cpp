#include "tools/position_solver.h"

#include "board/fen.h"

namespace tolvaren {

PositionSolver::PositionSolver(int hashMiB) {
    options_.setNumber(OptionHash, hashMiB);
    options_.setFlag(OptionOwnBook, false);
}

void PositionSolver::solve(std::string_view fen, SolveLimit limit, Solution& result) {
    result.valid = readFen(result.position, result.state, fen, &result.fenEnd);
    result.legalCount = 0;
    result.best = 0;
    result.nodes = 0;
    if (result.valid) search(limit, result);
}

void PositionSolver::solve(const Stellung_t& pos, const Zustand_t& state, SolveLimit limit,
                           Solution& result) {
    result.position = pos;
    result.state = state;
    result.valid = true;
    result.fenEnd = 0;
    result.legalCount = 0;
    result.best = 0;
    result.nodes = 0;
    search(limit, result);
}

void PositionSolver::search(SolveLimit limit, Solution& result) {
    uint32_t list[MaxMoves];
    uint32_t* end = generate(result.position, result.state, list);
    for (uint32_t* e = list; e < end; ++e)
        if (isLegal(result.position, moveOf(*e), result.state))
            result.legal[result.legalCount++] = moveOf(*e);
    // Mate or stalemate: nothing to choose from.
    if (result.legalCount == 0) return;

    sink_.clear();
    options_.pressButton(OptionClearHash);
    time_.startSearch({.nodes = limit.nodes, .movetime = limit.movetime});
    // No root list of our own: the searcher lists the same legal moves and may then
    // answer a forced move at once.
    searcher_.start(result.position, options_, time_, Sucher_t::FlagSynchronous, sink_, nullptr, nullptr);
    result.nodes = searcher_.searchedNodes();
    for (int i = 0; i < result.legalCount; ++i)
        if (result.legal[i] == sink_.best()) result.best = sink_.best();
}

}  // namespace tolvaren
