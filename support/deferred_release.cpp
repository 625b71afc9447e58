#include "support/deferred_release.h"

namespace orvex {

DeferredRelease::~DeferredRelease() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void DeferredRelease::hand(std::shared_ptr<void> object) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!thread_.joinable()) {
        thread_ = std::thread(&DeferredRelease::run, this);
    }
    changed_.wait(lock, [this] { return pending_.size() < kMaxPending; });
    pending_.push_back(std::move(object));
    changed_.notify_all();
}

void DeferredRelease::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pending_.empty() && !busy_; });
}

void DeferredRelease::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
        if (pending_.empty()) {
            return;  // stopping, with nothing left to destroy
        }
        std::shared_ptr<void> object = std::move(pending_.front());
        pending_.pop_front();
        busy_ = true;
        changed_.notify_all();  // room for one more hand-over
        lock.unlock();
        object.reset();  // the slow part, without the lock
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace orvex
