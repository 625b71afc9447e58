#include "support/deferred_release.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace orvex {
namespace {

// Records, when destroyed, its number and the thread it was destroyed on; may wait for a gate.
struct Tracked {
    struct Log {
        std::mutex mutex;
        std::vector<int> order;
        std::vector<std::thread::id> threads;
        std::shared_future<void> gate;
    };
    Log* log = nullptr;
    int number = 0;

    Tracked(Log* l, int n) : log(l), number(n) {}
    Tracked(Tracked&& other) noexcept : log(other.log), number(other.number) {
        other.log = nullptr;
    }
    ~Tracked() {
        if (log == nullptr) {
            return;  // moved from
        }
        if (log->gate.valid()) {
            log->gate.wait();
        }
        std::lock_guard<std::mutex> lock(log->mutex);
        log->order.push_back(number);
        log->threads.push_back(std::this_thread::get_id());
    }
};

TEST(DeferredReleaseTest, DestroysInOrderOnItsOwnThreadAndWaitSeesThemAllGone) {
    Tracked::Log log;
    DeferredRelease release;
    for (int i = 0; i < 5; ++i) {
        release.release(Tracked(&log, i));
    }
    release.wait();
    std::lock_guard<std::mutex> lock(log.mutex);
    EXPECT_EQ(log.order, (std::vector<int>{0, 1, 2, 3, 4}));
    for (std::thread::id id : log.threads) {
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST(DeferredReleaseTest, AHandOverWaitsForRoomAndTheDestructorFreesWhatIsLeft) {
    Tracked::Log log;
    std::promise<void> open;
    log.gate = open.get_future().share();
    std::atomic<bool> fourthHanded{false};
    {
        DeferredRelease release;
        release.release(Tracked(&log, 0));  // taken by the thread, stuck at the gate
        release.release(Tracked(&log, 1));
        release.release(Tracked(&log, 2));  // the queue now holds kMaxPending
        std::thread fourth([&] {
            release.release(Tracked(&log, 3));
            fourthHanded = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(fourthHanded) << "a full queue must hold the caller back";
        open.set_value();
        fourth.join();
        EXPECT_TRUE(fourthHanded);
    }  // the destructor destroys whatever is still queued, then joins
    std::lock_guard<std::mutex> lock(log.mutex);
    EXPECT_EQ(log.order, (std::vector<int>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace orvex
