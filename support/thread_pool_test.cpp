#include "support/thread_pool.h"

#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace orvex {
namespace {

using namespace std::chrono_literals;

// A pool whose tasks block until released, recording which ones started and finished.
class GatedPool : public ThreadPool {
  public:
    ~GatedPool() override { Stop(); }

    void release() {
        std::lock_guard<std::mutex> lock(m_);
        open_ = true;
        cv_.notify_all();
    }
    // Waits until `n` tasks have started; false after a time-out.
    bool waitStarted(size_t n, std::chrono::milliseconds limit = 5s) {
        std::unique_lock<std::mutex> lock(m_);
        return cv_.wait_for(lock, limit, [&] { return started_.size() >= n; });
    }
    std::vector<int> started() {
        std::lock_guard<std::mutex> lock(m_);
        return started_;
    }
    int finished() const { return finished_.load(); }

  protected:
    void HandleTask(OperateTask& task) override {
        std::unique_lock<std::mutex> lock(m_);
        started_.push_back(task.type);
        cv_.notify_all();
        cv_.wait(lock, [&] { return open_; });
        ++finished_;
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
    std::vector<int> started_;
    std::atomic<int> finished_{0};
};

TEST(ThreadPool, FiveTasksOnFourWorkers) {
    GatedPool pool;
    for (int i = 0; i < 5; ++i) {
        pool.AddTask(OperateTask{i, "", nullptr});
    }
    ASSERT_TRUE(pool.waitStarted(4));
    // The fifth waits for a free worker.
    EXPECT_FALSE(pool.waitStarted(5, 200ms));
    EXPECT_EQ(pool.started().size(), 4u);
    pool.release();
    ASSERT_TRUE(pool.waitStarted(5));
    pool.Stop();
    EXPECT_EQ(pool.finished(), 5);
    // Tasks are taken in queue order, so the fifth task added is the one that waited.
    EXPECT_EQ(pool.started().back(), 4);
}

TEST(ThreadPool, StopFinishesRunningAndDropsQueued) {
    auto payload = std::make_shared<int>(7);
    {
        GatedPool pool;
        for (int i = 0; i < 6; ++i) {
            pool.AddTask(OperateTask{i, "", payload});
        }
        ASSERT_TRUE(pool.waitStarted(4));
        std::thread releaser([&] {
            std::this_thread::sleep_for(100ms);
            pool.release();
        });
        pool.Stop();
        releaser.join();
        EXPECT_EQ(pool.finished(), 4);
        EXPECT_EQ(pool.started().size(), 4u);
        // AddTask after Stop does nothing.
        pool.AddTask(OperateTask{9, "", payload});
        EXPECT_EQ(pool.started().size(), 4u);
    }
    EXPECT_EQ(payload.use_count(), 1);  // dropped tasks released their payload
}

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST(ThreadPool, IdlePoolUsesNoProcessorTimeAndStopsPromptly) {
    ThreadPool pool;
    std::this_thread::sleep_for(50ms);
    double before = processCpuSeconds();
    std::this_thread::sleep_for(500ms);
    double used = processCpuSeconds() - before;
    // Sleeping workers cost nothing; a polling worker would burn far more than this.
    EXPECT_LT(used, 0.02);
    auto start = std::chrono::steady_clock::now();
    pool.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

}  // namespace
}  // namespace orvex
