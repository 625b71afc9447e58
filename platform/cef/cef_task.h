// Tasks on the browser library's threads: CefTask, CefPostTask, CefCurrentlyOn and closures.
// On this platform the library's UI thread (TID_UI) and the emulated render thread
// (TID_RENDERER) are both the Qt GUI thread.
#pragma once

#include <functional>

#include "platform/cef/cef_base.h"
#include "platform/cef/cef_types.h"

class CefTask : public virtual CefBaseRefCounted {
  public:
    virtual void Execute() = 0;
};

// Queues the task for the thread; tasks posted from one thread run in posting order. False
// before the library is initialised. Any thread.
bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task);
// Whether the calling thread is that thread. Any thread.
bool CefCurrentlyOn(CefThreadId threadId);
// Wraps a callable as a task (the library wrapper's closure task).
CefRefPtr<CefTask> CefCreateClosureTask(std::function<void()> closure);
