// HelloWindow and ReceivedMessages: the main window's part of the studio link in tests (the
// hello on every new connection) and a record of the messages the link hands over.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/message_target.h"
#include "platform/win32/window_messages.h"
#include "studio/studio_link_client.h"

namespace orvex::testing {

// Answers WM_STUDIO_CONNECTED with the hello, as the program's window does, and counts posts.
class HelloWindow : public MessageTarget {
  public:
    void Post(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_STUDIO_CONNECTED && wParam == 0 && lParam == 0) {
            ++connectedPosts;
            if (StudioLinkClient* target = client.load()) {
                target->sendHello();
            }
        } else {
            ++otherPosts;
        }
    }
    bool GetRect(RECT*) override { return false; }
    bool Move(int, int, int, int, bool) override { return false; }

    std::atomic<StudioLinkClient*> client{nullptr};
    std::atomic<int> connectedPosts{0};
    std::atomic<int> otherPosts{0};
};

// The message handler's calls, in order. Safe to call from other threads.
class ReceivedMessages {
  public:
    using Message = std::pair<int32_t, std::string>;

    void add(int32_t type, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.emplace_back(type, text);
        changed_.notify_all();
    }
    bool waitFor(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return messages_.size() >= count; });
    }
    // The message at `index` once it has arrived; nothing after `limit`.
    std::optional<Message> at(size_t index,
                              std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        if (!waitFor(index + 1, limit)) {
            return std::nullopt;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_[index];
    }
    std::vector<Message> all() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Message> messages_;
};

}  // namespace orvex::testing
