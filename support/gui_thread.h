// The GUI thread: the one thread that runs the windows, the browser callbacks and the page's
// answers, and the check that a call documented "GUI thread" runs on it.
#pragma once

namespace orvex {

// Records the calling thread as the GUI thread. Called once, by the thread that makes the
// application object.
void MarkGuiThread();
// True on the GUI thread, and on every thread before MarkGuiThread (there is nothing to check
// against yet: the Qt-free tests never make a GUI). Any thread.
bool OnGuiThread();
// Ends the process after writing "[FATAL] Check failed: <expression>. " to standard error, the
// browser library's fatal log line. Any thread.
[[noreturn]] void FailCheck(const char* expression);

}  // namespace orvex

// At the entry of every window and browser callback and of every call documented "GUI thread":
// a call from another thread is a programming error and ends the process at once, before it can
// corrupt a window or the page. Compiled in when ORVEX_THREAD_CHECKS is defined (debuggable
// builds; see the top CMakeLists.txt), and to nothing otherwise.
#if defined(ORVEX_THREAD_CHECKS)
#define ORVEX_ASSERT_GUI_THREAD() \
    (::orvex::OnGuiThread() ? static_cast<void>(0) : ::orvex::FailCheck("OnGuiThread()"))
#else
#define ORVEX_ASSERT_GUI_THREAD() static_cast<void>(0)
#endif
