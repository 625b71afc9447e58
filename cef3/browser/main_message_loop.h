// CMainMessageLoopWin: the GUI thread's message loop, and the task runner that gets work done
// on the GUI thread from any thread through a message-only window.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/cef/cef_task.h"
#include "platform/win32/qt/win_user.h"

class CMainMessageLoopWin {
  public:
    // Registers the task message and records the calling thread as the GUI thread. There is
    // one instance at a time. GUI thread.
    CMainMessageLoopWin();
    // Drops the tasks still waiting. GUI thread.
    ~CMainMessageLoopWin();
    CMainMessageLoopWin(const CMainMessageLoopWin&) = delete;
    CMainMessageLoopWin& operator=(const CMainMessageLoopWin&) = delete;

    // The instance, or null. Any thread.
    static CMainMessageLoopWin* GetMainMessageLoop();

    // Creates the message window, posts the tasks that waited for it in order, and runs the
    // loop (every message is offered to the skin's translate step first) until the quit
    // message; returns its code. GUI thread.
    int Run();
    // True on the thread that constructed the loop. Any thread.
    bool RunsTasksOnCurrentThread() const;
    // Queues the task to run on the GUI thread after the tasks posted before it; before Run
    // (or after it ended) the task waits. Any thread.
    void PostTask(CefRefPtr<CefTask> task);
    void PostClosure(std::function<void()> closure);

  private:
    static LRESULT messageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Posts one task message; the lock is held.
    void postTaskMessage(CefRefPtr<CefTask> task);

    std::mutex lock_;
    HWND messageWindow_ = nullptr;            // guarded by lock_
    std::deque<CefRefPtr<CefTask>> pending_;  // guarded by lock_
    const UINT taskMessage_;
    const std::thread::id thread_;

    friend class MessageWindowProcedure;
};
