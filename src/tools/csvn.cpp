#include "tools/csvn.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "board/notation.h"
#include "tools/line_workers.h"
#include "tools/ordered_results.h"
#include "tools/position_solver.h"
#include "tools/tool_files.h"

namespace tolvaren {

int runCsvn(const char* inputName, const char* outputName, const CsvnSettings& settings, std::FILE* err) {
    ToolFile in(std::fopen(inputName, "r"));
    if (!in) {
        reportFileError(err, "opening", inputName);
        return 1;
    }
    ToolFile out(std::fopen(outputName, "w"));
    if (!out) {
        reportFileError(err, "opening", outputName);
        return 1;
    }

    OrderedResults<std::string> results(
        1, settings.threshold, settings.batch,
        [&out](long, const std::string& text) { std::fputs(text.c_str(), out.get()); });
    // Each worker owns its searcher, table and sink, and a place for its answer.
    const int workers = std::max(1, settings.workers);
    std::vector<std::unique_ptr<PositionSolver>> solvers;
    std::vector<std::unique_ptr<Solution>> solutions;
    for (int i = 0; i < workers; ++i) {
        solvers.push_back(std::make_unique<PositionSolver>(CsvnHashMiB));
        solutions.push_back(std::make_unique<Solution>());
    }
    const SolveLimit limit{settings.nodes > 0 ? 0 : settings.movetime, settings.nodes};

    const long read =
        runLineWorkers(in.get(), workers, 0, [&](int worker, long number, std::string_view line) {
            const std::string_view kept = line.substr(0, CsvnLineKept);
            Solution& solution = *solutions[static_cast<size_t>(worker)];
            solvers[static_cast<size_t>(worker)]->solve(kept, limit, solution);
            char move[8];
            std::string text(kept);
            text += " bm ";
            text +=
                solution.best != 0 ? writeCoordinate(solution.position, solution.best, move) : "(not found)";
            text += '\n';
            results.add(number, std::move(text));
        });
    results.flush();
    if (read < 0) {
        reportFileError(err, "reading", inputName);
        return 1;
    }
    if (std::fflush(out.get()) != 0 || std::ferror(out.get()) || std::fclose(out.release()) != 0) {
        reportFileError(err, "writing", outputName);
        return 1;
    }
    return 0;
}

}  // namespace tolvaren
