// OutputDebugStringA and GetTickCount: debug output that reaches a reader only when one is
// attached, and the millisecond tick.
#pragma once

#include <functional>

#include "platform/win32/win_types.h"

namespace orvex {

// Attaches a reader, as a debugger would; an empty function detaches it. Without a call the
// reader is chosen by ORVEX_DEBUG_OUTPUT ("stderr" or a file path; unset: nowhere).
// Any thread; the reader is called on the writing thread, one call per string.
void AttachDebugOutputReader(std::function<void(const char*)> reader);

// Routes what this process, and every process it starts afterwards, writes to standard error
// into the debug output, one line per call: descriptor 2 becomes a pipe drained by a thread of
// its own. So Qt's, the engine's and the system libraries' messages stay off the terminal unless
// a reader is attached. Two kinds of line still reach the terminal, because the program prints
// them there by design: standard output is left alone (the statistics reporter's socket helpers
// print their failures there), and their perror lines ("readn …", "writen …") are passed through
// to the original standard error. The "stderr" reader keeps writing to the standard error the
// process started with. Once, on the GUI thread, before other threads start.
void RouteStandardStreamsToDebugOutput();

// Writes `text` to the standard error the process started with, routed or not: for the few
// messages a person must see (a fatal error). Any thread.
void WriteToOriginalStandardError(const char* text);

}  // namespace orvex

// Writes the string to the attached reader, unchanged (no line feed is added). Any thread.
void OutputDebugStringA(const char* text);
// Milliseconds since an arbitrary start, wrapping at 2^32. Any thread.
DWORD GetTickCount();
