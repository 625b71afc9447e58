#include "platform/win32/message_target.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/testing/recording_window.h"
#include "platform/win32/window_messages.h"

namespace orvex {
namespace {

TEST(MessageTarget, PostsReachTheRegisteredWindowInOrder) {
    auto window = testing::RecordingWindow::Create();
    EXPECT_TRUE(IsWindow(window->hwnd()));
    EXPECT_TRUE(PostMessageA(window->hwnd(), WM_H5_QUERY_INFO, 3, 42));
    EXPECT_TRUE(PostMessageA(window->hwnd(), WM_STUDIO_QUIT, 0, 0));
    auto posted = window->posted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].message, 0x465u);
    EXPECT_EQ(posted[0].wParam, 3u);
    EXPECT_EQ(posted[0].lParam, 42);
    EXPECT_EQ(posted[1].message, 0x46Cu);
}

TEST(MessageTarget, UnregisteredOrUnknownHandlesAreNotWindows) {
    auto window = testing::RecordingWindow::Create();
    HWND hwnd = window->hwnd();
    UnregisterWindow(hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_FALSE(IsWindow(nullptr));
    RECT rect;
    EXPECT_FALSE(GetWindowRect(hwnd, &rect));
    EXPECT_FALSE(MoveWindow(hwnd, 0, 0, 1, 1, TRUE));
    EXPECT_TRUE(window->posted().empty());
    // A second window never gets the first one's handle back.
    auto other = testing::RecordingWindow::Create();
    EXPECT_NE(other->hwnd(), hwnd);
}

TEST(MessageTarget, ConcurrentPostsAreAllDelivered) {
    auto window = testing::RecordingWindow::Create();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                PostMessageA(window->hwnd(), WM_USER, static_cast<WPARAM>(i), 0);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(window->posted().size(), 2000u);
}

}  // namespace
}  // namespace orvex
