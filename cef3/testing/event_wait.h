// WaitFor: waits for a condition while the GUI thread's event loop keeps running at full speed
// (the engine's GUI thread is that loop: a wait that sleeps between checks slows every page).
#pragma once

#include <functional>

namespace orvex::testing {

// True as soon as `condition` holds; false after `timeoutMs`. GUI thread.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs);
// Runs the event loop for the given time. GUI thread.
void RunEventsFor(int milliseconds);

}  // namespace orvex::testing
