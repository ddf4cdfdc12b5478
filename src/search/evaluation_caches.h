// The evaluation's per-thread caches as one object, owned by each searcher.
#pragma once

namespace tolvaren {

struct EvaluationCaches {
    int unused = 0;
};

}  // namespace tolvaren
