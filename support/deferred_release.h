// DeferredRelease: destroys large objects on a background thread, so the thread that used them
// can go back to its own work at once.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

namespace orvex {

// Freeing a parsed document of millions of nodes takes as long as a good part of parsing it.
// The studio's receive thread hands such objects here and returns to its socket; one
// background thread, started on the first hand-over, destroys them in order. At most
// kMaxPending objects wait, so memory stays bounded when hand-overs come faster than they are
// freed: a further hand-over waits for room.
class DeferredRelease {
  public:
    static constexpr size_t kMaxPending = 2;

    DeferredRelease() = default;
    // Destroys what is still waiting and joins the thread.
    ~DeferredRelease();
    DeferredRelease(const DeferredRelease&) = delete;
    DeferredRelease& operator=(const DeferredRelease&) = delete;

    // Takes `object` over (moved) and destroys it on the background thread. Any thread except
    // the background one.
    template <class T>
    void release(T&& object) {
        hand(std::make_shared<std::decay_t<T>>(std::forward<T>(object)));
    }

    // Returns when every object handed over so far has been destroyed. Any thread except the
    // background one.
    void wait();

  private:
    void hand(std::shared_ptr<void> object);
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<void>> pending_;  // guarded by mutex_
    bool busy_ = false;                          // an object is being destroyed; mutex_
    bool stopping_ = false;                      // mutex_
    std::thread thread_;                         // started by the first hand(); mutex_
};

}  // namespace orvex
