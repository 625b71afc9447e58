#include "support/newest_job.h"

#include <utility>

namespace orvex {

NewestJob::~NewestJob() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        waiting_ = nullptr;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void NewestJob::post(std::function<void()> job) {
    std::function<void()> replaced;  // destroyed outside the lock
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable()) {
            thread_ = std::thread(&NewestJob::run, this);
        }
        replaced = std::exchange(waiting_, std::move(job));
    }
    changed_.notify_all();
}

void NewestJob::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !waiting_ && !busy_; });
}

void NewestJob::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || waiting_; });
        if (stopping_) {
            return;
        }
        std::function<void()> job = std::exchange(waiting_, nullptr);
        busy_ = true;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace orvex
