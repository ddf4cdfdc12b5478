#include "protocol/xboard_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/input.h"
#include "search/output.h"

namespace tolvaren {

namespace {

// Records everything the queue hands on, in one list, so order across kinds shows.
struct Journal {
    std::mutex mutex;
    std::vector<std::string> entries;
    void add(std::string entry) {
        std::lock_guard lock(mutex);
        entries.push_back(std::move(entry));
    }
};

// A command target that can be held at its first command until released.
class GatedTarget : public Eingabe_t {
   public:
    explicit GatedTarget(Journal& journal, bool gated = false) : journal_(journal) {
        if (!gated) release();
    }
    void handleLine(const char* line) override {
        gate_.wait();
        journal_.add(std::string("cmd:") + line);
    }
    void release() { open_.set_value(); }

   private:
    Journal& journal_;
    std::promise<void> open_;
    std::shared_future<void> gate_ = open_.get_future().share();
};

class RecordingSink : public Ausgabe_t {
   public:
    explicit RecordingSink(Journal& journal) : journal_(journal) {}
    void line(const char* text) override { journal_.add(std::string("line:") + text); }
    void error(const char* message, const char* detail) override {
        journal_.add(std::string("error:") + message + "|" + (detail != nullptr ? detail : "<none>"));
    }

   private:
    Journal& journal_;
};

}  // namespace

TEST(XboardQueue, KindsArriveInPostingOrderAndLongLinesTakeLargerSlots) {
    Journal journal;
    GatedTarget target(journal);
    RecordingSink sink(journal);
    XboardUciQueue_t queue(target, sink);
    EXPECT_TRUE(queue.post(XboardUciQueue_t::Command, "debug on"));
    EXPECT_EQ(queue.lastSlotCapacity(), XboardUciQueue_t::SmallSlotSize);
    EXPECT_TRUE(queue.post(XboardUciQueue_t::Error, "unknown command", "frobnicate 3"));
    EXPECT_TRUE(queue.post(XboardUciQueue_t::Error, "file 'x' not found", ""));
    const std::string medium(1500, 'm');
    queue.post(XboardUciQueue_t::Line, medium);
    EXPECT_EQ(queue.lastSlotCapacity(), XboardUciQueue_t::MediumSlotSize);
    std::string position = "position startpos moves";
    while (position.size() < 70000) position += " e2e4 ";
    queue.post(XboardUciQueue_t::Command, position);
    EXPECT_EQ(queue.lastSlotCapacity(), XboardUciQueue_t::LargeSlotSize);
    // Beyond the largest slot the entry still arrives, through the overflow.
    const std::string huge(100000, 'h');
    queue.post(XboardUciQueue_t::Command, huge);
    EXPECT_EQ(queue.lastSlotCapacity(), 0u);
    queue.post(XboardUciQueue_t::Command, "go depth 3");
    queue.waitUntilDrained();
    EXPECT_EQ(journal.entries,
              (std::vector<std::string>{"cmd:debug on", "error:unknown command|frobnicate 3",
                                        "error:file 'x' not found|<none>", "line:" + medium,
                                        "cmd:" + position, "cmd:" + huge, "cmd:go depth 3"}));
}

TEST(XboardQueue, BurstBeyondTheSlotsNeitherBlocksNorReorders) {
    Journal journal;
    GatedTarget target(journal, true);
    RecordingSink sink(journal);
    XboardUciQueue_t queue(target, sink);

    // The worker is stuck in the first command; posting 200 more must still return.
    std::vector<std::string> expected;
    for (int i = 0; i < 200; ++i) {
        const std::string text = "setoption name Hash value " + std::to_string(i);
        ASSERT_TRUE(queue.post(i % 3 == 1 ? XboardUciQueue_t::Line : XboardUciQueue_t::Command, text));
        expected.push_back((i % 3 == 1 ? "line:" : "cmd:") + text);
        if (i == 100) {  // a long line in the middle of the overflow keeps its place
            const std::string position = "position startpos moves" + std::string(70000, ' ');
            queue.post(XboardUciQueue_t::Command, position);
            expected.push_back("cmd:" + position);
        }
    }
    EXPECT_FALSE(queue.drained());
    EXPECT_GT(queue.overflowCount(), 0u);
    target.release();
    queue.waitUntilDrained();
    EXPECT_EQ(journal.entries, expected);

    // Once drained the slots are used again.
    queue.post(XboardUciQueue_t::Command, "isready");
    EXPECT_EQ(queue.lastSlotCapacity(), XboardUciQueue_t::SmallSlotSize);
    queue.waitUntilDrained();
}

TEST(XboardQueue, DestructionWithEntriesOutstandingEnds) {
    Journal journal;
    GatedTarget target(journal, true);
    RecordingSink sink(journal);
    auto destroyed = std::async(std::launch::async, [&] {
        XboardUciQueue_t queue(target, sink);
        for (int i = 0; i < 80; ++i) queue.post(XboardUciQueue_t::Command, "stop");
        target.release();
    });
    if (destroyed.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // A hung worker would also hang the future's destructor: fail the run here.
        std::fputs("destroying a queue with entries outstanding hangs\n", stderr);
        std::_Exit(1);
    }
    // Whatever ran before the end ran in order and whole.
    EXPECT_LE(journal.entries.size(), 80u);
    for (const std::string& e : journal.entries) EXPECT_EQ(e, "cmd:stop");
}

}  // namespace tolvaren
