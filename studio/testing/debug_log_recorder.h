// DebugLogRecorder: attaches itself as the debug-output reader and keeps every string written,
// with the time it arrived, so tests can wait for and count log lines.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/debug_output.h"

namespace orvex::testing {

class DebugLogRecorder {
  public:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        std::string text;
        Clock::time_point at;
    };

    DebugLogRecorder() {
        AttachDebugOutputReader([this](const char* text) {
            std::lock_guard<std::mutex> lock(mutex_);
            entries_.push_back({text, Clock::now()});
            all_ += text;
            changed_.notify_all();
        });
    }
    ~DebugLogRecorder() { AttachDebugOutputReader({}); }
    DebugLogRecorder(const DebugLogRecorder&) = delete;
    DebugLogRecorder& operator=(const DebugLogRecorder&) = delete;

    // Everything written so far, joined.
    std::string text() {
        std::lock_guard<std::mutex> lock(mutex_);
        return all_;
    }
    std::vector<Entry> entries() {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }
    // How often `needle` occurs in everything written so far.
    size_t count(std::string_view needle) {
        std::lock_guard<std::mutex> lock(mutex_);
        return CountIn(all_, needle);
    }
    // Waits until `needle` has occurred at least `times` times; false after `limit`.
    bool waitFor(std::string_view needle, size_t times = 1,
                 std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return CountIn(all_, needle) >= times; });
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.clear();
        all_.clear();
    }

  private:
    static size_t CountIn(std::string_view text, std::string_view needle) {
        size_t found = 0;
        for (size_t at = text.find(needle); at != std::string_view::npos;
             at = text.find(needle, at + needle.size())) {
            ++found;
        }
        return found;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Entry> entries_;
    std::string all_;
};

}  // namespace orvex::testing
