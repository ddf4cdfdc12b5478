// The XBoard adapter's command queue: UCI command lines, lines for the GUI and
// error reports, handed on strictly in posting order by one worker thread, so the
// UCI interface sees all its commands on that thread. Used by XBoardInterface_t.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <string_view>
#include <thread>

namespace tolvaren {

class Ausgabe_t;
class Eingabe_t;

// Sizing and overflow. Each entry normally lives in one of 64 preallocated slots
// (three of 75000 bytes for long "position" lines, three of 2000, the rest 1000),
// referenced from a ring of 64. When no free slot is large enough, or the ring holds
// 63 entries (64 would look empty), the entry goes to an overflow list on the heap
// instead, and every later entry follows it there until the worker has emptied the
// list; ring entries are always older than overflow entries, so order holds.
// Posting therefore never waits: the adapter posts while holding its command lock,
// and the worker may itself be waiting for a search whose best-move report needs
// that lock, so a producer that blocked on a full queue could deadlock.
class XboardUciQueue_t {
   public:
    enum Kind : uint32_t {
        Command = 0,   // a UCI line for the target's line operation
        Line = 1,      // a text line for the sink's line operation
        Error = 2,     // message and detail for the sink's error operation
        Deferred = 3,  // text for the deferred handler: work that must see the commands before it
    };

    static constexpr int SlotCount = 64;
    static constexpr uint32_t LargeSlotSize = 75000;
    static constexpr uint32_t MediumSlotSize = 2000;
    static constexpr uint32_t SmallSlotSize = 1000;

    // Starts the worker thread. The target and the sink must outlive the queue; the
    // deferred handler (optional) runs on the worker thread for each Deferred entry.
    XboardUciQueue_t(Eingabe_t& target, Ausgabe_t& sink, std::function<void(const char*)> deferred = {});
    virtual ~XboardUciQueue_t();
    XboardUciQueue_t(const XboardUciQueue_t&) = delete;
    XboardUciQueue_t& operator=(const XboardUciQueue_t&) = delete;

    // Queues one entry; an empty detail of an error entry means none. Returns false
    // once the queue is stopping (or memory for an overflow entry is exhausted).
    bool post(Kind kind, std::string_view text, std::string_view detail = {});

    // Waits until every entry posted so far has been handed on (or the queue stops).
    void waitUntilDrained();
    bool drained() const;

    // Entries that had to take the overflow path since construction.
    uint64_t overflowCount() const;
    // Capacity of the slot that holds the most recently posted entry (0 for overflow).
    uint32_t lastSlotCapacity() const;

   private:
    struct Slot {
        uint32_t capacity = 0;
        uint32_t kind = Command;
        uint8_t busy = 0;
        std::unique_ptr<char[]> buffer;
    };
    struct OverflowEntry {
        uint32_t kind;
        std::string text;
        std::string detail;
    };

    void run();
    void handOn(uint32_t kind, const char* text, const char* detail);
    int findSlot(std::size_t bytes) const;  // -1 when none fits
    uint32_t ringCount() const { return (writeIndex_ - readIndex_) % SlotCount; }

    Eingabe_t& target_;
    Ausgabe_t& sink_;
    std::function<void(const char*)> deferred_;
    mutable std::mutex mutex_;  // over slots, ring, indices, overflow and the pending count
    std::condition_variable drainedSignal_;
    std::counting_semaphore<> semaphore_{0};  // posted once per entry
    Slot slots_[SlotCount];
    Slot* ring_[SlotCount] = {};
    uint32_t writeIndex_ = 0;
    uint32_t readIndex_ = 0;
    std::deque<OverflowEntry> overflow_;
    uint64_t pending_ = 0;  // posted but not yet handed on completely
    uint64_t overflowCount_ = 0;
    uint32_t lastSlotCapacity_ = 0;
    bool stop_ = false;
    std::thread worker_;  // last: it starts once everything above exists
};

}  // namespace tolvaren
