// Generation of one bitbase file: the retrograde passes, their worker threads and
// queues, and the probes of the smaller files a capture or promotion leads to. Kept in
// one file on purpose: it is one file-local class (Generation) whose passes share its
// arrays and locks, and splitting it would turn that private state into a header.
#include "bitbase/bitbase_generator.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <thread>
#include <vector>

#include "bitbase/bitbase_cache.h"
#include "bitbase/bitbase_file.h"
#include "bitbase/bitbase_moves.h"
#include "bitbase/bitbase_writer.h"

namespace tolvaren {

namespace {

// Two bits per index: 0 free, 1 no win, 2 undecided, 3 side 0 wins.
constexpr int Free = 0, NoWin = 1, Undecided = 2, Win = 3;

constexpr uint64_t RangeIndices = 131072;
constexpr uint64_t WorkerQueueEntries = 131072;
constexpr uint64_t SharedQueueEntries = uint64_t{1} << 21;
constexpr uint64_t TransferBatch = 12288;
constexpr uint32_t SmallCacheBytes = 40123123;  // materials below six pieces
constexpr uint32_t LargeCacheBytes = 150123123;

// A ring buffer of indices; a push into a full buffer is refused (the scans that
// follow find such wins again).
class WinQueue {
   public:
    void allocate(uint64_t entries) {  // a power of two
        buffer_.reset(new uint64_t[entries]);
        mask_ = entries - 1;
    }
    bool push(uint64_t index) {
        const uint64_t next = (head_ + 1) & mask_;
        if (next == tail_) return false;
        buffer_[head_] = index;
        head_ = next;
        return true;
    }
    bool pop(uint64_t& index) {
        if (head_ == tail_) return false;
        index = buffer_[tail_];
        tail_ = (tail_ + 1) & mask_;
        return true;
    }
    bool empty() const { return head_ == tail_; }

   private:
    std::unique_ptr<uint64_t[]> buffer_;
    uint64_t mask_ = 0, head_ = 0, tail_ = 0;
};

// The single-thread queue: about a quarter of size / 1024 entries, a power of two.
uint64_t singleQueueEntries(uint64_t size) {
    uint64_t m = ((size >> 10) >> 1) | ((size >> 10) >> 2);
    for (int shift = 1; shift < 64; shift *= 2) m |= m >> shift;
    return m + 1;
}

struct Worker {
    std::unique_ptr<BitbaseCache_t> cache;
    WinQueue queue;
    uint64_t wins = 0;
};

enum class Phase { Iteration0, Drain, Scan };

class Generation {
   public:
    Generation(const BitbaseStellung_t& material, const BitbaseGenerationOptions& options)
        : material_(material), options_(options), parallel_(options.threads >= 2) {}

    int run();

   private:
    int value(uint64_t i) const {
        return (std::atomic_ref<uint8_t>(work_[i >> 2]).load(std::memory_order_relaxed) >> (2 * (i & 3))) & 3;
    }
    // Iteration 0 writes each index once, from 0.
    void setFirst(uint64_t i, int v) {
        std::atomic_ref<uint8_t>(work_[i >> 2])
            .fetch_or(static_cast<uint8_t>(v << (2 * (i & 3))), std::memory_order_relaxed);
    }
    // Later a value moves only from undecided to final; false when it was not undecided.
    bool settle(uint64_t i, int v) {
        std::atomic_ref<uint8_t> byte(work_[i >> 2]);
        const int shift = static_cast<int>(2 * (i & 3));
        uint8_t old = byte.load(std::memory_order_relaxed);
        for (;;) {
            if (((old >> shift) & 3) != Undecided) return false;
            const uint8_t next = static_cast<uint8_t>((old & ~(3 << shift)) | (v << shift));
            if (byte.compare_exchange_weak(old, next, std::memory_order_relaxed)) return true;
        }
    }

    void line(const char* text, long long number, bool withNumber);
    bool allocate();
    bool iteration0(uint64_t begin, uint64_t end, Worker& w);
    int externalValue(const BitbaseStellung_t& p, Worker& w);
    int lookup(int (&types)[2][MaxBitbasePieces + 1], int (&squares)[2][MaxBitbasePieces], int side, int ep,
               Worker& w, std::string* name);
    int successorValue(const BitbaseStellung_t& next, Worker& w);
    int judge(const BitbaseStellung_t& p, Worker& w);
    bool checkIndex(uint64_t i, const BitbaseStellung_t& p, Worker& w);
    void push(uint64_t i, Worker& w);
    uint64_t drain(Worker& w);
    uint64_t scan(uint64_t begin, uint64_t end, Worker& w);
    bool undecidedSpan(uint64_t& begin, uint64_t& end) const;
    uint64_t runPhase(Phase phase, uint64_t begin, uint64_t end);
    void workerPhase(Phase phase, uint64_t begin, uint64_t end, Worker& w);
    void drainShared(Worker& w);
    void reportMissingPromotion(const std::string& name);

    BitbaseStellung_t material_;
    const BitbaseGenerationOptions& options_;
    const bool parallel_;
    uint64_t size_ = 0;
    std::unique_ptr<uint8_t[]> work_;
    std::vector<Worker> workers_;

    // Parallel run: the shared queue and the count of workers that may still add to it.
    std::mutex sharedMutex_;
    std::condition_variable sharedChanged_;
    WinQueue shared_;
    int busy_ = 0;
    std::atomic<uint64_t> nextRange_{0};
    std::atomic<bool> failed_{false};

    std::mutex reportMutex_;
    std::set<std::string> missingReported_;
};

void Generation::line(const char* text, long long number, bool withNumber) {
    if (withNumber)
        std::fprintf(options_.out, "%s: %s%lld\n", material_.name, text, number);
    else
        std::fprintf(options_.out, "%s: %s\n", material_.name, text);
    std::fflush(options_.out);
}

bool Generation::allocate() {
    const char* what = "work array";
    try {
        work_.reset(new uint8_t[(size_ + 3) / 4]);
        std::memset(work_.get(), 0, (size_ + 3) / 4);
        workers_.resize(parallel_ ? static_cast<size_t>(options_.threads) : 1);
        what = "win queue";
        if (parallel_) shared_.allocate(SharedQueueEntries);
        for (Worker& w : workers_)
            w.queue.allocate(parallel_ ? WorkerQueueEntries : singleQueueEntries(size_));
        what = "bitbase cache";
        const uint64_t bytes = options_.cacheBytes != 0             ? options_.cacheBytes
                               : material_.total < MaxBitbasePieces ? SmallCacheBytes
                                                                    : LargeCacheBytes;
        for (Worker& w : workers_) {
            w.cache = std::make_unique<BitbaseCache_t>(
                static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX)));
            w.cache->setPath(options_.directory);
        }
    } catch (const std::bad_alloc&) {
        std::fprintf(options_.err, "out of memory: %s\n", what);
        std::fflush(options_.err);
        return false;
    }
    return true;
}

int Generation::lookup(int (&types)[2][MaxBitbasePieces + 1], int (&squares)[2][MaxBitbasePieces], int side,
                       int ep, Worker& w, std::string* name) {
    BitbaseStellung_t q;
    if (!q.setPieces(types[0], squares[0], types[1], squares[1], side, ep)) return -1;
    const int bit = w.cache->lookupBit(q.name, q.index(), false);
    if (bit < 0 && name != nullptr) *name = q.name;
    return bit;
}

void Generation::reportMissingPromotion(const std::string& name) {
    std::lock_guard<std::mutex> lock(reportMutex_);
    if (!missingReported_.insert(name).second) return;
    std::fprintf(options_.err,
                 "%s: %s.abb is missing or unreadable; positions that promote into it stay open\n",
                 material_.name, name.c_str());
    std::fflush(options_.err);
}

// The value of a position with a captured piece or a pending promotion, from the files
// of the materials it stands for: Win, NoWin, or Free when a file cannot answer.
int Generation::externalValue(const BitbaseStellung_t& p, Worker& w) {
    int types[2][MaxBitbasePieces + 1] = {};
    int squares[2][MaxBitbasePieces] = {};
    int count[2] = {0, 0};
    int promotionSide = -1, promotionSlot = -1;
    for (int i = 0; i < p.total; ++i) {
        if (p.absent(i)) continue;
        const int side = p.sideOf(i);
        const int square = p.pieces[i].square;
        if (p.baseType(i) == Pawn && (square >> 3) == promotionRow(side) && side != p.sideToMove) {
            promotionSide = side;
            promotionSlot = count[side];
        }
        types[side][count[side]] = p.baseType(i);
        squares[side][count[side]++] = square;
    }
    const int ep = p.hasEp() ? p.epSquare : -1;
    if (promotionSide < 0) {
        if (count[0] == 1) return NoWin;
        const int bit = lookup(types, squares, p.sideToMove, ep, w, nullptr);
        return bit < 0 ? Free : bit == 1 ? Win : NoWin;
    }
    if (promotionSide == 1 && count[0] == 1) return NoWin;

    bool unknown = false;
    for (const int piece : {Queen, Rook, Bishop, Knight}) {
        int t[2][MaxBitbasePieces + 1], s[2][MaxBitbasePieces];
        std::memcpy(t, types, sizeof t);
        std::memcpy(s, squares, sizeof s);
        int* st = t[promotionSide];
        int* ss = s[promotionSide];
        st[promotionSlot] = piece;
        // Keep the side's pieces by falling type, as material names are written.
        for (int a = promotionSlot; a > 1 && st[a - 1] < st[a]; --a) {
            std::swap(st[a - 1], st[a]);
            std::swap(ss[a - 1], ss[a]);
        }
        std::string name;
        const int bit = lookup(t, s, p.sideToMove, -1, w, &name);
        if (bit < 0) {
            unknown = true;
            reportMissingPromotion(name);
            continue;
        }
        if (promotionSide == 0 && bit == 1) return Win;  // side 0 picks its best piece
        if (promotionSide == 1 && bit == 0) return NoWin;
    }
    if (unknown) return Free;
    return promotionSide == 0 ? NoWin : Win;
}

bool Generation::iteration0(uint64_t begin, uint64_t end, Worker& w) {
    BitbaseStellung_t p = material_;
    for (uint64_t i = begin; i < end; ++i) {
        if (failed_.load(std::memory_order_relaxed)) return false;
        p.setIndex(i);
        // A legal position gets its value even when its index is not the one it
        // re-indexes to: real positions can map to such indices.
        if (!legalBitbasePosition(p)) continue;

        int others = 0, knights = 0;
        bool strong = false, anyAbsent = false, promotion = false;
        Bitboard bishops = 0;
        for (int j = 0; j < p.total; ++j) {
            if (p.absent(j)) {
                anyAbsent = true;
                continue;
            }
            const int type = p.baseType(j);
            if (type == King) continue;
            ++others;
            if (type == Knight)
                ++knights;
            else if (type == Bishop)
                bishops |= bit(p.pieces[j].square);
            else
                strong = true;
            if (type == Pawn && (p.pieces[j].square >> 3) == promotionRow(p.sideOf(j))) promotion = true;
        }
        const bool oneColour = (bishops & LightSquares) == 0 || (bishops & ~LightSquares) == 0;
        if (others == 0 || (!strong && (others == 1 || (knights == 0 && oneColour)))) {
            setFirst(i, NoWin);
            continue;
        }
        if (promotion) {
            const int v = externalValue(p, w);
            if (v != Free) setFirst(i, v);
            if (v == Win && !anyAbsent) push(i, w);
            continue;
        }
        const Bitboard occupied = occupancy(p, 0) | occupancy(p, 1);
        if (kingAttacked(p, p.sideToMove, occupied) &&
            forEachMove(p, [](const BitbaseStellung_t&) { return false; })) {
            const int v = p.sideToMove == 1 ? Win : NoWin;  // checkmate
            setFirst(i, v);
            if (v == Win && !anyAbsent) push(i, w);
            continue;
        }
        if (anyAbsent) {
            const int v = externalValue(p, w);
            if (v == Free) {
                std::lock_guard<std::mutex> lock(reportMutex_);
                if (!failed_.exchange(true)) {
                    std::fprintf(options_.err, "Fehler in BitPruefen\n");
                    std::fflush(options_.err);
                }
                return false;
            }
            setFirst(i, v);
            continue;
        }
        setFirst(i, Undecided);
    }
    return true;
}

// A capture by the special pawn onto files e-h while another pawn is gone gives an
// index that does not decode back (the absent pawn's placeholder is mirrored off the
// a-file), so such successors are answered from the smaller file directly.
int Generation::successorValue(const BitbaseStellung_t& next, Worker& w) {
    const int special = next.specialPawn;
    if (special >= 0 && !next.absent(special) && (next.pieces[special].square & 7) >= 4) {
        for (int j = 1; j < next.total; ++j)
            if (j != special && next.absent(j) && next.baseType(j) == Pawn) return externalValue(next, w);
    }
    return value(next.index());
}

// The value the moves give: Win, NoWin, or Undecided while some successor is open.
int Generation::judge(const BitbaseStellung_t& p, Worker& w) {
    const int side = p.sideToMove;
    bool open = false, win = false;
    int verdict = Free;
    forEachMove(p, [&](const BitbaseStellung_t& next) {
        const int v = successorValue(next, w);
        if (side == 0 ? v == Win : v == NoWin) {
            verdict = v;
            return false;
        }
        // Side 1 cannot be lost while one of its moves is open: no need to look further.
        if (side == 1 && v == Undecided) {
            verdict = Undecided;
            return false;
        }
        open |= v == Undecided;
        win |= v == Win;
        return true;
    });
    if (verdict != Free) return verdict;
    if (open) return Undecided;
    return side == 1 && win ? Win : NoWin;
}

bool Generation::checkIndex(uint64_t i, const BitbaseStellung_t& p, Worker& w) {
    const int v = judge(p, w);
    if (v == Undecided || !settle(i, v) || v != Win) return false;
    push(i, w);
    return true;
}

void Generation::push(uint64_t i, Worker& w) {
    if (w.queue.push(i) || !parallel_) return;
    // Hand the private queue over to the shared one so that idle workers can help.
    std::lock_guard<std::mutex> lock(sharedMutex_);
    uint64_t x;
    while (w.queue.pop(x)) shared_.push(x);
    w.queue.push(i);
    sharedChanged_.notify_all();
}

bool plainPredecessor(const BitbaseStellung_t& p) {
    for (int i = 1; i < p.endSide0; ++i)
        if (p.baseType(i) == Pawn && !p.absent(i) && (p.pieces[i].square >> 3) == 0) return false;
    return !kingAttacked(p, 1, occupancy(p, 0) | occupancy(p, 1));
}

uint64_t Generation::drain(Worker& w) {
    uint64_t wins = 0, x;
    BitbaseStellung_t won = material_, candidate = material_;
    while (w.queue.pop(x)) {
        won.setIndex(x);
        // Side 0 wins at once where it can move into this position, provided the
        // retro move gives a legal position that indexes plainly (no e.p. square, no
        // side 0 pawn on row 0, which the index would read as an e.p. code).
        const bool side0Moves = won.sideToMove == 1 && !won.hasEp();
        forEachRetroMove(won, [&](const BitbaseStellung_t& previous, bool doubleStep) {
            const uint64_t j = previous.index();
            if (j >= size_ || value(j) != Undecided) return;
            if (side0Moves && !doubleStep && plainPredecessor(previous)) {
                if (settle(j, Win)) {
                    push(j, w);
                    ++wins;
                }
                return;
            }
            // Judge the position the index stands for, not the retro-move record.
            candidate.setIndex(j);
            if (checkIndex(j, candidate, w)) ++wins;
        });
    }
    return wins;
}

uint64_t Generation::scan(uint64_t begin, uint64_t end, Worker& w) {
    uint64_t wins = 0;
    BitbaseStellung_t p = material_;
    for (uint64_t i = begin; i < end; ++i) {
        if (value(i) != Undecided) continue;
        p.setIndex(i);
        if (checkIndex(i, p, w)) wins += 1 + drain(w);
    }
    return wins;
}

bool Generation::undecidedSpan(uint64_t& begin, uint64_t& end) const {
    // Per byte, the fields holding 2: high bit set, low bit clear.
    auto twos = [&](uint64_t b) { return (work_[b] >> 1) & ~work_[b] & 0x55; };
    const uint64_t bytes = (size_ + 3) / 4;
    uint64_t first = 0;
    while (first < bytes && twos(first) == 0) ++first;
    if (first == bytes) return false;
    uint64_t last = bytes - 1;
    while (twos(last) == 0) --last;
    begin = 4 * first + std::countr_zero(static_cast<unsigned>(twos(first))) / 2;
    end = 4 * last + (31 - std::countl_zero(static_cast<unsigned>(twos(last)))) / 2 + 1;
    return true;
}

void Generation::drainShared(Worker& w) {
    std::unique_lock<std::mutex> lock(sharedMutex_);
    --busy_;
    sharedChanged_.notify_all();
    for (;;) {
        sharedChanged_.wait(lock, [&] { return !shared_.empty() || busy_ == 0; });
        if (shared_.empty()) return;
        uint64_t x;
        for (uint64_t n = 0; n < TransferBatch && shared_.pop(x); ++n) w.queue.push(x);
        ++busy_;
        lock.unlock();
        w.wins += drain(w);
        lock.lock();
        --busy_;
        sharedChanged_.notify_all();
    }
}

void Generation::workerPhase(Phase phase, uint64_t begin, uint64_t end, Worker& w) {
    if (phase != Phase::Drain) {
        for (;;) {
            const uint64_t from = begin + nextRange_.fetch_add(1) * RangeIndices;
            if (from >= end || failed_.load(std::memory_order_relaxed)) break;
            const uint64_t to = std::min(end, from + RangeIndices);
            if (phase == Phase::Iteration0)
                iteration0(from, to, w);
            else
                w.wins += scan(from, to, w);
        }
    }
    if (phase == Phase::Iteration0) {
        // The wins of iteration 0 are propagated in the next phase, by every worker.
        std::lock_guard<std::mutex> lock(sharedMutex_);
        uint64_t x;
        while (w.queue.pop(x)) shared_.push(x);
        --busy_;
        return;
    }
    drainShared(w);
}

uint64_t Generation::runPhase(Phase phase, uint64_t begin, uint64_t end) {
    for (Worker& w : workers_) w.wins = 0;
    if (!parallel_) {
        Worker& w = workers_[0];
        if (phase == Phase::Iteration0)
            iteration0(begin, end, w);
        else if (phase == Phase::Drain)
            w.wins = drain(w);
        else
            w.wins = scan(begin, end, w);
        return w.wins;
    }
    nextRange_ = 0;
    busy_ = static_cast<int>(workers_.size());
    std::vector<std::thread> threads;
    for (Worker& w : workers_)
        threads.emplace_back([this, phase, begin, end, &w] { workerPhase(phase, begin, end, w); });
    for (std::thread& t : threads) t.join();
    uint64_t wins = 0;
    for (const Worker& w : workers_) wins += w.wins;
    return wins;
}

// What the machine has, or 0 when the system does not say.
uint64_t physicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageBytes = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageBytes > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageBytes) : 0;
}

int Generation::run() {
    size_ = material_.size;
    // Refused before any memory is touched: a six-piece work array runs to gigabytes,
    // and the system may grant what it cannot back.
    if (size_ >= BitbaseIndexLimit) {
        std::fprintf(options_.err, "%s: %llu positions are too many for a bitbase file (at most %llu)\n",
                     material_.name, static_cast<unsigned long long>(size_),
                     static_cast<unsigned long long>(BitbaseIndexLimit - 1));
        std::fflush(options_.err);
        return 1;
    }
    const uint64_t machine = physicalMemory();
    if ((machine != 0 && (size_ + 3) / 4 > machine) || (size_ + 3) / 4 > SIZE_MAX) {
        std::fprintf(options_.err, "out of memory: work array\n");
        std::fflush(options_.err);
        return 1;
    }
    if (!allocate()) return 1;
    const std::string path = options_.directory + "/" + bitbaseFileName(material_.name);

    if (material_.count[0] == 1) {
        // A bare king never wins: no analysis at all.
        std::memset(work_.get(), 0x55, (size_ + 3) / 4);
    } else {
        runPhase(Phase::Iteration0, 0, size_);
        if (failed_) return 1;
        bool anyWin = false;
        for (uint64_t b = 0; b < (size_ + 3) / 4 && !anyWin; ++b) {
            const uint8_t v = work_[b];
            anyWin = ((v & (v >> 1)) & 0x55) != 0;
        }
        if (!anyWin) {
            line("Iteration 0: ", 0, true);
        } else {
            line("Iteration 0 fertig", 0, false);
            line("Iteration 1: ", static_cast<long long>(runPhase(Phase::Drain, 0, size_)), true);
            for (int k = 2;; ++k) {
                uint64_t begin = 0, end = 0;
                const uint64_t wins = undecidedSpan(begin, end) ? runPhase(Phase::Scan, begin, end) : 0;
                std::fprintf(options_.out, "%s: Iteration %d: %llu\n", material_.name, k,
                             static_cast<unsigned long long>(wins));
                std::fflush(options_.out);
                if (wins == 0) break;
            }
        }
    }
    if (!writeBitbase(path, work_.get(), size_ / 4, options_.err)) return 1;
    return 0;
}

}  // namespace

int generateBitbase(const char* materialName, const BitbaseGenerationOptions& options) {
    BitbaseStellung_t material;
    if (!material.setMaterial(materialName)) {
        std::fprintf(options.err, "not a material name: %s\n", materialName);
        std::fflush(options.err);
        return 1;
    }
    auto generation = std::make_unique<Generation>(material, options);
    return generation->run();
}

}  // namespace tolvaren
