// ThreadPool: four worker threads taking OperateTasks from one FIFO queue.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "support/operate_task.h"

namespace orvex {

class ThreadPool {
  public:
    static constexpr size_t kWorkerCount = 4;

    // Starts the four workers. Any thread.
    ThreadPool();
    // Stops and joins the workers when the owner has not (Stop). An owner that overrides
    // HandleTask still calls Stop in its own destructor: by the time this one runs, its part of
    // the object is gone, and a worker must not be inside HandleTask then.
    virtual ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Queues a copy of the task and wakes one worker; dropped silently after Stop.
    // Safe to call from any thread.
    void AddTask(const OperateTask& task);

    // Ends the workers: running tasks finish, queued ones are never handled. Returns when every
    // worker has ended (a worker calling it is left to end by itself, not joined). Any thread;
    // a second call does nothing.
    void Stop();

  protected:
    // Runs on a worker thread with no pool lock held. The default does nothing.
    virtual void HandleTask(OperateTask& task);

  private:
    void Start();
    void Run();
    bool TakeTask(OperateTask& task);

    std::vector<std::thread> threads_;
    std::deque<OperateTask> tasks_;
    std::mutex mutex_;
    std::condition_variable condition_;
    bool running_ = false;  // guarded by mutex_
};

}  // namespace orvex
