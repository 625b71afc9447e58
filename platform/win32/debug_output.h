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

// Routes what this process, and every process it starts afterwards, writes to standard output
// and standard error into the debug output, one line per call: descriptors 1 and 2 become one
// pipe drained by a thread of its own. So the program behaves as a windowed program without a
// console: the engine's, the system libraries' and the socket family's messages stay off the
// terminal unless a reader is attached. The "stderr" reader keeps writing to the standard error
// the process started with. Once, on the main thread, before other threads start.
void RouteStandardStreamsToDebugOutput();

// Writes `text` to the standard error the process started with, routed or not: for the few
// messages a person must see (a fatal error). Any thread.
void WriteToOriginalStandardError(const char* text);

}  // namespace orvex

// Writes the string to the attached reader, unchanged (no line feed is added). Any thread.
void OutputDebugStringA(const char* text);
// Milliseconds since an arbitrary start, wrapping at 2^32. Any thread.
DWORD GetTickCount();
