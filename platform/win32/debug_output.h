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

}  // namespace orvex

// Writes the string to the attached reader, unchanged (no line feed is added). Any thread.
void OutputDebugStringA(const char* text);
// Milliseconds since an arbitrary start, wrapping at 2^32. Any thread.
DWORD GetTickCount();
