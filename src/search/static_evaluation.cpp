#include "search/static_evaluation.h"

#include "board/ablation.h"
#include "eval/evaluate.h"
#include "search/evaluation_caches.h"
#include "search/recognizers.h"

namespace tolvaren {

int32_t materialTableValue(int type, int count) {
    return materialValue(type, count);
}

int32_t staticEvaluation(const Stellung_t& pos, const Zustand_t& state, EvaluationCaches& caches) {
    const Erkennung_t known = ablation::off(ablation::Recognizers) ? Erkennung_t{} : recognize(pos);
    if (known.kind == Erkennung_t::Replace) return known.value;
    const int32_t eval = evaluate(pos, state, caches.material, caches.pawns);
    return known.kind == Erkennung_t::Add ? eval + known.value : eval;
}

}  // namespace tolvaren
