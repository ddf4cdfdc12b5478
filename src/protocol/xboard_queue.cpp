#include "protocol/xboard_queue.h"

#include <chrono>
#include <cstring>
#include <new>
#include <utility>

#include "protocol/input.h"
#include "search/output.h"

namespace tolvaren {

namespace {

uint32_t slotCapacity(int index) {
    if (index < 3) return XboardUciQueue_t::LargeSlotSize;
    if (index < 6) return XboardUciQueue_t::MediumSlotSize;
    return XboardUciQueue_t::SmallSlotSize;
}

}  // namespace

XboardUciQueue_t::XboardUciQueue_t(Eingabe_t& target, Ausgabe_t& sink,
                                   std::function<void(const char*)> deferred)
    : target_(target), sink_(sink), deferred_(std::move(deferred)) {
    for (int i = 0; i < SlotCount; ++i) {
        slots_[i].capacity = slotCapacity(i);
        slots_[i].buffer = std::make_unique<char[]>(slots_[i].capacity);
    }
    worker_ = std::thread(&XboardUciQueue_t::run, this);
}

XboardUciQueue_t::~XboardUciQueue_t() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    semaphore_.release();
    drainedSignal_.notify_all();
    if (worker_.joinable()) worker_.join();
}

int XboardUciQueue_t::findSlot(std::size_t bytes) const {
    // From the top, so the small slots go first and the large ones wait for long lines.
    for (int i = SlotCount - 1; i >= 0; --i)
        if (!slots_[i].busy && slots_[i].capacity >= bytes) return i;
    return -1;
}

bool XboardUciQueue_t::post(Kind kind, std::string_view text, std::string_view detail) {
    if (kind != Error) detail = {};
    // Both texts with their terminators, plus one spare byte.
    const std::size_t bytes = text.size() + 1 + (kind == Error ? detail.size() + 1 : 0) + 1;
    {
        std::lock_guard lock(mutex_);
        if (stop_) return false;
        const int index = overflow_.empty() && ringCount() < SlotCount - 1 ? findSlot(bytes) : -1;
        if (index >= 0) {
            Slot& slot = slots_[index];
            slot.busy = 1;
            slot.kind = kind;
            std::memcpy(slot.buffer.get(), text.data(), text.size());
            slot.buffer[text.size()] = '\0';
            if (kind == Error) {
                std::memcpy(slot.buffer.get() + text.size() + 1, detail.data(), detail.size());
                slot.buffer[text.size() + 1 + detail.size()] = '\0';
            }
            ring_[writeIndex_] = &slot;
            writeIndex_ = (writeIndex_ + 1) % SlotCount;
            lastSlotCapacity_ = slot.capacity;
        } else {
            try {
                overflow_.push_back({kind, std::string(text), std::string(detail)});
            } catch (const std::bad_alloc&) {
                return false;
            }
            ++overflowCount_;
            lastSlotCapacity_ = 0;
        }
        ++pending_;
    }
    semaphore_.release();
    return true;
}

void XboardUciQueue_t::handOn(uint32_t kind, const char* text, const char* detail) {
    // Nothing thrown by the engine behind may end the worker and strand the queue.
    try {
        switch (kind) {
            case Command:
                target_.handleLine(text);
                break;
            case Line:
                sink_.line(text);
                break;
            case Deferred:
                if (deferred_) deferred_(text);
                break;
            default:
                sink_.error(text, detail != nullptr && detail[0] != '\0' ? detail : nullptr);
                break;
        }
    } catch (...) {
    }
}

void XboardUciQueue_t::run() {
    for (;;) {
        semaphore_.acquire();
        for (;;) {
            Slot* slot = nullptr;
            OverflowEntry entry;
            {
                std::lock_guard lock(mutex_);
                if (stop_) return;
                if (readIndex_ != writeIndex_) {
                    slot = ring_[readIndex_];
                    readIndex_ = (readIndex_ + 1) % SlotCount;
                } else if (!overflow_.empty()) {
                    entry = std::move(overflow_.front());
                    overflow_.pop_front();
                } else {
                    break;
                }
            }
            if (slot != nullptr) {
                const char* text = slot->buffer.get();
                handOn(slot->kind, text, slot->kind == Error ? text + std::strlen(text) + 1 : nullptr);
            } else {
                handOn(entry.kind, entry.text.c_str(), entry.detail.c_str());
            }
            bool nowDrained;
            {
                std::lock_guard lock(mutex_);
                if (slot != nullptr) slot->busy = 0;
                nowDrained = --pending_ == 0;
            }
            if (nowDrained) drainedSignal_.notify_all();
        }
    }
}

void XboardUciQueue_t::waitUntilDrained() {
    std::unique_lock lock(mutex_);
    // Checked again every 100 ms as a safety net against a missed wake-up.
    while (pending_ != 0 && !stop_) drainedSignal_.wait_for(lock, std::chrono::milliseconds(100));
}

bool XboardUciQueue_t::drained() const {
    std::lock_guard lock(mutex_);
    return pending_ == 0;
}

uint64_t XboardUciQueue_t::overflowCount() const {
    std::lock_guard lock(mutex_);
    return overflowCount_;
}

uint32_t XboardUciQueue_t::lastSlotCapacity() const {
    std::lock_guard lock(mutex_);
    return lastSlotCapacity_;
}

}  // namespace tolvaren
