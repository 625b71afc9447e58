// SIGINT and SIGTERM taken as requests to stop: blocked in every thread, and collected by the
// thread that waits for them, instead of ending the process mid-work.
#pragma once

#include <optional>

namespace orvex {

// Blocks SIGINT and SIGTERM in the calling thread and in every thread it starts afterwards.
// The main thread, before it starts threads.
void BlockStopSignals();
// The number of a pending SIGINT or SIGTERM, waiting at most `timeoutMs`; nothing when none
// came. The thread that blocked them.
std::optional<int> WaitStopSignal(int timeoutMs);

}  // namespace orvex
