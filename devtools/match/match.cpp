#include "match/match.h"

#include <chrono>
#include <ctime>
#include <thread>
#include <utility>

#include "board/random.h"
#include "match/pgn_writer.h"

namespace tolvaren::match {

Match::Match(const Settings& s, std::vector<Opening> openings, std::atomic<bool>& stop)
    : s_(s), openings_(std::move(openings)), stop_(stop), tally_(s) {
    order_.resize(openings_.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = i;
    Zufall_t random;
    random.seed(s.seed);
    for (size_t i = order_.size(); i > 1; --i) std::swap(order_[i - 1], order_[random.next64() % i]);
    if (!s.pgnOut.empty() && !(pgn_ = std::fopen(s.pgnOut.c_str(), "a")))
        std::fprintf(stderr, "tolvaren-match: cannot write %s\n", s.pgnOut.c_str());
}

Match::~Match() {
    if (pgn_) std::fclose(pgn_);
}

void Match::run() {
    const auto started = Clock::now();
    std::vector<std::thread> threads;
    for (int64_t t = 0; t < s_.concurrency; ++t) threads.emplace_back([this] { work(); });
    for (auto& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    tally_.printClosing(seconds, s_.concurrency);
    std::fflush(stdout);
}

void Match::work() {
    Worker worker(s_, stop_);
    for (;;) {
        int64_t n;
        {
            std::lock_guard lock(mutex_);
            if (stop_ || next_ >= s_.games) return;
            n = next_++;
        }
        const Opening& opening = openings_[order_[static_cast<size_t>(n / 2) % order_.size()]];
        const int whiteEngine = static_cast<int>(n % 2);
        const GameRecord g = worker.play(opening, whiteEngine);
        if (!g.aborted) record(n, g, opening, whiteEngine);
    }
}

void Match::record(int64_t n, const GameRecord& g, const Opening& opening, int whiteEngine) {
    std::lock_guard lock(mutex_);
    tally_.add(n, g, whiteEngine);
    const std::string& white = s_.engines[whiteEngine].name;
    const std::string& black = s_.engines[1 - whiteEngine].name;
    std::printf("Game %lld (%s vs %s): %s {%s}\n", static_cast<long long>(n + 1), white.c_str(),
                black.c_str(), resultText(g.result).c_str(), g.reason.c_str());
    if (pgn_) {
        const PgnHeader header{n + 1, pgnDate(std::time(nullptr)), white, black, s_.tc.pgnText};
        std::fputs(gamePgn(header, opening, g).c_str(), pgn_), std::fflush(pgn_);
    }
    if (tally_.games() % s_.ratingInterval == 0) tally_.printRunningScore();
    std::fflush(stdout);
    if (tally_.sprtDecided()) stop_ = true;
}

}  // namespace tolvaren::match
