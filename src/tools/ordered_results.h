// Results that workers finish in any order, passed on in record order: they wait in a
// map by record number until the records before them are done, and leave in batches.
// The batch tool and the regression tool write their output through one.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>

namespace tolvaren {

template <typename Result>
class OrderedResults {
   public:
    using Writer = std::function<void(long number, const Result& result)>;

    // Results are numbered from `first` on. Once more than `threshold` wait, up to
    // `batch` of them are written; a gap (a record still being worked on) ends a batch
    // early, so the order always holds.
    OrderedResults(long first, std::size_t threshold, std::size_t batch, Writer writer)
        : next_(first), threshold_(threshold), batch_(batch), writer_(std::move(writer)) {}

    // From any worker thread; the writer runs under the lock, so it needs none of its own.
    void add(long number, Result result) {
        std::lock_guard lock(mutex_);
        waiting_.emplace(number, std::move(result));
        if (waiting_.size() > threshold_) write(batch_);
    }

    // Writes everything left, in order, gaps and all; call once the workers are done.
    void flush() {
        std::lock_guard lock(mutex_);
        for (const auto& [number, result] : waiting_) writer_(number, result);
        waiting_.clear();
    }

    std::size_t waiting() const {
        std::lock_guard lock(mutex_);
        return waiting_.size();
    }

   private:
    void write(std::size_t count) {
        for (auto it = waiting_.begin(); count > 0 && it != waiting_.end() && it->first == next_; --count) {
            writer_(it->first, it->second);
            it = waiting_.erase(it);
            ++next_;
        }
    }

    long next_;
    std::size_t threshold_;
    std::size_t batch_;
    Writer writer_;
    std::map<long, Result> waiting_;
    mutable std::mutex mutex_;
};

}  // namespace tolvaren
