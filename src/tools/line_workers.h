// The reader and worker threads of the position tools: the calling thread reads items
// (lines of a text file, games of a game file) and hands each through a ring of work
// records to a fixed number of worker threads; a free list and two semaphores pace
// the reader, so that no more items wait than there are records.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <semaphore>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace tolvaren {

// Longer lines are cut here; the rest of such a line is dropped.
constexpr int MaxToolLine = 500;

// Reads the next line that is not blank, without its trailing whitespace and cut to
// MaxToolLine characters; false at the end of the file.
bool readToolLine(std::FILE* in, std::string& line);

// Reads items with `readNext` until it says false; every item after the first `skip`
// goes to `work` on one of `workers` threads, with the worker's index (0..workers-1) and
// the item's number (from 1). Returns the number of items read once every worker is done.
template <typename Item>
long runWorkers(int workers, long skip, const std::function<bool(Item&)>& readNext,
                const std::function<void(int worker, long number, const Item& item)>& work);

// The same over the lines of a text file; -1 when reading failed.
using LineWork = std::function<void(int worker, long number, std::string_view line)>;
long runLineWorkers(std::FILE* in, int workers, long skip, const LineWork& work);

namespace detail {

template <typename Item>
class WorkerPool {
   public:
    struct Record {
        long number = 0;
        Item item{};
    };
    using Work = std::function<void(int, long, const Item&)>;

    WorkerPool(int workers, const Work& work)
        : records_(static_cast<size_t>(workers)), ring_(static_cast<size_t>(workers), nullptr), work_(work) {
        for (Record& r : records_) freeList_.push_back(&r);
        // Fewer threads than asked for still do all the work; with none the reader does it.
        try {
            for (int i = 0; i < workers; ++i) threads_.emplace_back(&WorkerPool::workerLoop, this, i);
        } catch (const std::system_error&) {
        }
        free_.release(workers);
    }

    bool threaded() const { return !threads_.empty(); }

    // Takes a free record, waiting for one.
    Record* takeFree() {
        free_.acquire();
        std::lock_guard lock(ringMutex_);
        Record* r = freeList_.back();
        freeList_.pop_back();
        return r;
    }

    void giveBack(Record* r) {
        {
            std::lock_guard lock(ringMutex_);
            freeList_.push_back(r);
        }
        free_.release();
    }

    // Queues a record for the workers; null tells one worker to end.
    void queue(Record* r) {
        {
            std::lock_guard lock(ringMutex_);
            ring_[tail_] = r;
            tail_ = (tail_ + 1) % ring_.size();
        }
        queued_.release();
    }

    // Waits until every record is back, then ends and joins the workers.
    void finish() {
        for (size_t i = 0; i < records_.size(); ++i) free_.acquire();
        for (size_t i = 0; i < threads_.size(); ++i) queue(nullptr);
        for (std::thread& t : threads_) t.join();
    }

   private:
    void workerLoop(int index) {
        for (;;) {
            queued_.acquire();
            Record* r;
            {
                std::lock_guard lock(ringMutex_);
                r = ring_[head_];
                head_ = (head_ + 1) % ring_.size();
            }
            if (r == nullptr) return;
            work_(index, r->number, r->item);
            giveBack(r);
        }
    }

    std::vector<Record> records_;
    // Never more records wait than exist, so a ring of that size cannot overflow.
    std::vector<Record*> ring_;
    size_t head_ = 0, tail_ = 0;
    std::vector<Record*> freeList_;
    std::mutex ringMutex_;  // ring and free list; the one lock, as only the caller reads
    std::counting_semaphore<> free_{0};
    std::counting_semaphore<> queued_{0};
    const Work& work_;
    std::vector<std::thread> threads_;
};

}  // namespace detail

template <typename Item>
long runWorkers(int workers, long skip, const std::function<bool(Item&)>& readNext,
                const std::function<void(int worker, long number, const Item& item)>& work) {
    detail::WorkerPool<Item> pool(workers > 0 ? workers : 1, work);
    long number = 0;
    for (;;) {
        auto* r = pool.takeFree();
        if (!readNext(r->item)) {
            pool.giveBack(r);
            break;
        }
        r->number = ++number;
        if (number <= skip) {
            pool.giveBack(r);
        } else if (pool.threaded()) {
            pool.queue(r);
        } else {
            work(0, r->number, r->item);
            pool.giveBack(r);
        }
    }
    pool.finish();
    return number;
}

}  // namespace tolvaren
