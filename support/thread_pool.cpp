#include "support/thread_pool.h"

namespace orvex {

ThreadPool::ThreadPool() {
    Start();
}

ThreadPool::~ThreadPool() {
    Stop();
}

void ThreadPool::Start() {
    if (!threads_.empty()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = true;
    }
    threads_.reserve(kWorkerCount);
    for (size_t i = 0; i < kWorkerCount; ++i) {
        threads_.emplace_back(&ThreadPool::Run, this);
    }
}

void ThreadPool::AddTask(const OperateTask& task) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) {
        return;
    }
    tasks_.push_back(task);
    condition_.notify_one();
}

void ThreadPool::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
        condition_.notify_all();
    }
    for (std::thread& thread : threads_) {
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach();  // a worker stopping its own pool ends when it returns
        } else if (thread.joinable()) {
            thread.join();
        }
    }
    threads_.clear();
}

void ThreadPool::HandleTask(OperateTask&) {}

void ThreadPool::Run() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!running_) {
                return;
            }
        }
        OperateTask task;
        if (TakeTask(task)) {
            HandleTask(task);
        }
    }
}

bool ThreadPool::TakeTask(OperateTask& task) {
    std::unique_lock<std::mutex> lock(mutex_);
    condition_.wait(lock, [this] { return !tasks_.empty() || !running_; });
    if (tasks_.empty() || !running_) {
        return false;
    }
    task = tasks_.front();
    tasks_.pop_front();
    return true;
}

}  // namespace orvex
