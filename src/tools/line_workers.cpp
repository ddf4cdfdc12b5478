#include "tools/line_workers.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace tolvaren {

namespace {

struct WorkRecord {
    long number = 0;
    std::string line;
};

// Only the calling thread reads the file, so the ring mutex is the one lock.
class Pool {
   public:
    Pool(int workers, const LineWork& work)
        : records_(static_cast<size_t>(workers)), ring_(static_cast<size_t>(workers), nullptr), work_(work) {
        for (WorkRecord& r : records_) freeList_.push_back(&r);
        // Fewer threads than asked for still do all the work; with none the reader does it.
        try {
            for (int i = 0; i < workers; ++i) threads_.emplace_back(&Pool::workerLoop, this, i);
        } catch (const std::system_error&) {
        }
        free_.release(workers);
    }

    bool threaded() const { return !threads_.empty(); }

    // Takes a free record, waiting for one.
    WorkRecord* takeFree() {
        free_.acquire();
        std::lock_guard lock(ringMutex_);
        WorkRecord* r = freeList_.back();
        freeList_.pop_back();
        return r;
    }

    // Returns a record unused.
    void giveBack(WorkRecord* r) {
        {
            std::lock_guard lock(ringMutex_);
            freeList_.push_back(r);
        }
        free_.release();
    }

    // Queues a record for the workers; null tells one worker to end.
    void queue(WorkRecord* r) {
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
            WorkRecord* r;
            {
                std::lock_guard lock(ringMutex_);
                r = ring_[head_];
                head_ = (head_ + 1) % ring_.size();
            }
            if (r == nullptr) return;
            work_(index, r->number, r->line);
            giveBack(r);
        }
    }

    std::vector<WorkRecord> records_;
    // Never more records wait than exist, so a ring of that size cannot overflow.
    std::vector<WorkRecord*> ring_;
    size_t head_ = 0, tail_ = 0;
    std::vector<WorkRecord*> freeList_;
    std::mutex ringMutex_;  // ring and free list
    std::counting_semaphore<> free_{0};
    std::counting_semaphore<> queued_{0};
    const LineWork& work_;
    std::vector<std::thread> threads_;
};

// Reads one line, keeping at most MaxToolLine characters of it and dropping its
// trailing whitespace; false at the end of the file.
bool readLine(std::FILE* in, std::string& line) {
    line.clear();
    int c = std::getc(in);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(in))
        if (line.size() < MaxToolLine) line.push_back(static_cast<char>(c));
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return true;
}

}  // namespace

long runLineWorkers(std::FILE* in, int workers, long skip, const LineWork& work) {
    Pool pool(std::max(1, workers), work);
    long number = 0;
    std::string line;
    bool more = true;
    while (more) {
        WorkRecord* r = pool.takeFree();
        do more = readLine(in, line);
        while (more && line.empty());
        if (more) ++number;
        if (!more || number <= skip) {
            pool.giveBack(r);
            continue;
        }
        r->number = number;
        r->line = line;
        if (pool.threaded()) {
            pool.queue(r);
        } else {
            work(0, number, line);
            pool.giveBack(r);
        }
    }
    pool.finish();
    return std::ferror(in) ? -1 : number;
}

}  // namespace tolvaren
