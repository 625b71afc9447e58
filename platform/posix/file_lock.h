// FileLock: an exclusive advisory lock (flock) on a lock file, so that processes that change
// one file take turns. The lock goes with its holder, however the holder ends.
#pragma once

#include <string>

namespace orvex {

// The owning thread only.
class FileLock {
  public:
    FileLock() = default;
    ~FileLock();  // releases the lock
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates `path` (mode 0600) when missing and waits until this process holds the lock on
    // it. False, with `error`, when the file cannot be opened or locked.
    bool acquire(const std::string& path, std::string& error);

  private:
    int fd_ = -1;
};

}  // namespace orvex
