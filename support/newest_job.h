// NewestJob: runs jobs on one background thread, in order, keeping only the newest of those
// still waiting, for work that only its latest request needs (warming a cache).
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace orvex {

// One job runs at a time; a job posted while another waits replaces the waiting one, so a
// caller never blocks and nothing piles up however fast jobs come. The thread starts with the
// first post.
class NewestJob {
  public:
    NewestJob() = default;
    // Drops the waiting job and joins the thread after the running one.
    ~NewestJob();
    NewestJob(const NewestJob&) = delete;
    NewestJob& operator=(const NewestJob&) = delete;

    // Queues `job`, replacing a job that has not started yet. Any thread except the job's own.
    void post(std::function<void()> job);

    // Returns when no job is running or waiting. Any thread except the job's own.
    void wait();

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> waiting_;  // guarded by mutex_, like everything below
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace orvex
