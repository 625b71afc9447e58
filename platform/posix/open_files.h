// The process's open-file limit: reading it and raising it for programs that hold thousands of
// sockets.
#pragma once

#include <cstddef>

namespace orvex {

// Raises the soft limit on open descriptors to the hard limit (a no-op when it already is).
// Start-up, before threads.
void RaiseOpenFileLimit();

// The soft limit on open descriptors; 0 when it cannot be read. Any thread.
size_t OpenFileLimit();

}  // namespace orvex
