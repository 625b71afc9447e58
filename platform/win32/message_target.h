// Window handles as message targets: PostMessageA, IsWindow and the window-rectangle calls.
#pragma once

#include <memory>

#include "platform/win32/win_types.h"

namespace orvex {

// What stands behind a window handle. The Qt window layer implements it for real windows;
// tests implement it to record what a window receives.
class MessageTarget {
  public:
    virtual ~MessageTarget() = default;
    // Queues the message for the window's own thread and returns at once; never waits for the
    // receiver. Called from any thread.
    virtual void Post(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The window rectangle in screen coordinates. Called on the window's thread.
    virtual bool GetRect(RECT* rect) = 0;
    // Moves and resizes the window. Called on the window's thread.
    virtual bool Move(int x, int y, int width, int height, bool repaint) = 0;
    // The largest size the window may be given: the screen's available area where there is a
    // screen, kMaxWindowSide on a side otherwise. Called on the window's thread.
    virtual SIZE MaxSize() { return {kMaxWindowSide, kMaxWindowSide}; }

    // The largest side of a window without a screen to measure (offscreen): larger sizes make
    // the browser engine allocate buffers of gigabytes.
    static constexpr int kMaxWindowSide = 8192;
};

// Gives the target a new handle (handles are never reused). Any thread.
HWND RegisterWindow(std::shared_ptr<MessageTarget> target);
// The handle stops being a window; posts to it fail from now on. Any thread.
void UnregisterWindow(HWND hwnd);

}  // namespace orvex

// Win32 meanings. A post to a handle that is not a window fails with FALSE and the caller keeps
// ownership of any payload. Safe to call from any thread.
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL IsWindow(HWND hwnd);
// Called on the window's thread.
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// The largest size the window may be given (MessageTarget::MaxSize); FALSE for a handle that is
// not a window. Called on the window's thread.
BOOL GetWindowMaxSize(HWND hwnd, SIZE* size);
