#include "support/thread_pool.h"

#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <semaphore>
#include <thread>
#include <vector>

namespace orvex {
namespace {

using namespace std::chrono_literals;

// A pool whose tasks block until the gate lets them through, one release each, recording which
// tasks started and how many finished.
class GatedPool : public ThreadPool {
  public:
    ~GatedPool() override { Stop(); }

    // Waits until `n` tasks have started; false after a time-out.
    bool waitStarted(size_t n, std::chrono::milliseconds limit = 5s) {
        std::unique_lock<std::mutex> lock(m_);
        return cv_.wait_for(lock, limit, [&] { return started_.size() >= n; });
    }
    std::vector<int> started() {
        std::lock_guard<std::mutex> lock(m_);
        return started_;
    }
    std::counting_semaphore<64> gate{0};
    std::atomic<int> finished{0};

  protected:
    void HandleTask(OperateTask& task) override {
        {
            std::lock_guard<std::mutex> lock(m_);
            started_.push_back(task.type);
            cv_.notify_all();
        }
        gate.acquire();
        ++finished;
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<int> started_;
};

// Four tasks start at once and the fifth when one frees, in queue order. Stop lets the running
// tasks finish and drops the queued one with its payload; AddTask after Stop does nothing.
TEST(ThreadPool, FourWorkersAndStopDropsTheQueue) {
    auto payload = std::make_shared<int>(7);
    {
        GatedPool pool;
        for (int i = 0; i < 6; ++i) {
            pool.AddTask(OperateTask{i, "", payload});
        }
        ASSERT_TRUE(pool.waitStarted(4));
        EXPECT_FALSE(pool.waitStarted(5, 200ms));
        pool.gate.release();
        ASSERT_TRUE(pool.waitStarted(5));
        EXPECT_EQ(pool.started().back(), 4);
        std::thread releaser([&] {
            std::this_thread::sleep_for(100ms);
            pool.gate.release(4);
        });
        pool.Stop();
        releaser.join();
        EXPECT_EQ(pool.finished.load(), 5);
        EXPECT_EQ(pool.started().size(), 5u);
        pool.AddTask(OperateTask{9, "", payload});
        EXPECT_EQ(pool.started().size(), 5u);
    }
    EXPECT_EQ(payload.use_count(), 1);  // the dropped task released its payload
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

namespace orvex {
namespace {

// What the unstopped pool's task reports. Outside the pool: its task must not touch the derived
// object, whose part is gone while the base destructor waits for the task.
std::atomic<bool> unstoppedStarted{false};
std::atomic<bool> unstoppedFinished{false};

// A pool without a Stop of its own, whose task is still running when the pool is destroyed.
class UnstoppedPool : public ThreadPool {
  protected:
    void HandleTask(OperateTask&) override {
        unstoppedStarted = true;
        std::this_thread::sleep_for(100ms);
        unstoppedFinished = true;
    }
};

// The pool's destructor stops and joins its workers when the owner did not: the running task has
// finished when the destructor returns, and no worker is left running on a freed pool.
TEST(ThreadPool, DestructionWithoutStopJoinsTheWorkers) {
    {
        UnstoppedPool pool;
        pool.AddTask(OperateTask{});
        while (!unstoppedStarted) {
            std::this_thread::yield();
        }
    }
    EXPECT_TRUE(unstoppedFinished);
}

}  // namespace
}  // namespace orvex
