// Process limits for programs that serve thousands of connections: the open-file limit and the
// stack size of new threads.
#pragma once

#include <cstddef>

namespace orvex {

// Raises the soft limit on open descriptors to the hard limit (a no-op when it already is).
// Start-up, before threads.
void RaiseOpenFileLimit();

// The soft limit on open descriptors; 0 when it cannot be read. Any thread.
size_t OpenFileLimit();

// Gives threads started from now on stacks of `bytes` instead of the usual 8 MiB, so that a
// thread per short connection is cheap to start and its stack can be reused. Start-up, before
// threads.
void SetThreadStackSize(size_t bytes);

}  // namespace orvex
