#include "search/searcher.h"

#include <cassert>
#include <system_error>

#include "board/make_move.h"
#include "search/output.h"

namespace tolvaren {

Sucher_t::~Sucher_t() {
    // The most derived class must have ended the thread while its run was still valid.
    assert(!thread_.joinable());
}

void Sucher_t::createThread() {
    try {
        thread_ = std::thread(&Sucher_t::threadLoop, this);
        created_ = true;
    } catch (const std::system_error&) {
        // Without a thread every search runs in the caller's thread.
        created_ = false;
    }
}

void Sucher_t::terminate() {
    if (!created_) return;
    stop_.store(true, std::memory_order_relaxed);
    ponder_.store(false, std::memory_order_relaxed);
    terminate_.store(true, std::memory_order_relaxed);
    startSignal_.release();
    idleSignal_.acquire();
    thread_.join();
    idleSignal_.release();
    created_ = false;
}

void Sucher_t::threadLoop() {
    for (;;) {
        startSignal_.acquire();
        startedSignal_.release();
        if (terminate_.load(std::memory_order_relaxed)) return;
        run();
        idleSignal_.release();
    }
}

void Sucher_t::start(const Stellung_t& position, Optionen_t& options, Zeitkontrolle_t& time, int flags,
                     Ausgabe_t& output, const Zug_t* rootBegin, const Zug_t* rootEnd) {
    idleSignal_.acquire();
    position_ = position;
    rootMoveCount_ = 0;
    if (rootBegin == nullptr) {
        Zustand_t state;
        computeState(position_, state);
        uint32_t list[MaxMoves];
        uint32_t* end = generate(position_, state, list);
        for (uint32_t* e = list; e < end; ++e)
            if (isLegal(position_, moveOf(*e), state)) rootMoves_[rootMoveCount_++] = moveOf(*e);
        searchmovesGiven_ = false;
    } else {
        for (const Zug_t* m = rootBegin; m < rootEnd && rootMoveCount_ < MaxMoves; ++m)
            rootMoves_[rootMoveCount_++] = *m;
        searchmovesGiven_ = true;
    }
    options_ = &options;
    time_ = &time;
    output_ = &output;
    stop_.store(false, std::memory_order_relaxed);
    ponder_.store((flags & FlagPonder) != 0, std::memory_order_relaxed);
    debug_ = (flags & FlagDebug) != 0;
    infinite_ = (flags & FlagInfinite) != 0;
    if ((flags & FlagSynchronous) || !created_) {
        // Said once per search, now that there is a sink to say it through.
        if (!created_) output.message("search thread could not be created; searching synchronously");
        run();
        idleSignal_.release();
        return;
    }
    startSignal_.release();
    startedSignal_.acquire();
}

void Sucher_t::stopAndWait() {
    stop_.store(true, std::memory_order_relaxed);
    ponder_.store(false, std::memory_order_relaxed);
    waitIdle();
}

void Sucher_t::waitIdle() {
    idleSignal_.acquire();
    idleSignal_.release();
}

}  // namespace tolvaren
