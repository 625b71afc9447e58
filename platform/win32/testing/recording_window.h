// RecordingWindow: a test window that records every message posted to it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win32/message_target.h"

namespace orvex::testing {

struct PostedMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class RecordingWindow : public MessageTarget {
  public:
    // Creates the window and registers it; hwnd() is its handle.
    static std::shared_ptr<RecordingWindow> Create(RECT rect = {100, 50, 1380, 850}) {
        auto window = std::make_shared<RecordingWindow>(rect);
        window->hwnd_ = RegisterWindow(window);
        return window;
    }
    explicit RecordingWindow(RECT rect) : rect_(rect) {}

    HWND hwnd() const { return hwnd_; }

    void Post(UINT message, WPARAM wParam, LPARAM lParam) override {
        std::lock_guard<std::mutex> lock(mutex_);
        posted_.push_back({message, wParam, lParam});
        cv_.notify_all();
    }
    bool GetRect(RECT* rect) override {
        std::lock_guard<std::mutex> lock(mutex_);
        *rect = rect_;
        return true;
    }
    bool Move(int x, int y, int width, int height, bool repaint) override {
        std::lock_guard<std::mutex> lock(mutex_);
        rect_ = {x, y, x + width, y + height};
        lastRepaint_ = repaint;
        return true;
    }

    std::vector<PostedMessage> posted() {
        std::lock_guard<std::mutex> lock(mutex_);
        return posted_;
    }
    RECT rect() {
        std::lock_guard<std::mutex> lock(mutex_);
        return rect_;
    }
    bool lastRepaint() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastRepaint_;
    }
    // Waits until at least `count` messages have arrived; false after the limit.
    bool waitFor(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, limit, [&] { return posted_.size() >= count; });
    }

  private:
    HWND hwnd_ = nullptr;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<PostedMessage> posted_;
    RECT rect_;
    bool lastRepaint_ = false;
};

}  // namespace orvex::testing
