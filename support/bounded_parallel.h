// ForEachBounded: runs a job for every index of a range on at most a given number of threads at
// once, for work that mostly waits on the network.
#pragma once

#include <cstddef>
#include <functional>

namespace orvex {

// Calls job(i) once for every i in [0, count), on up to `limit` threads at once; returns when
// every call has returned. Indices are taken in ascending order as threads become free. With a
// limit of 1 (or one index) every call runs on the calling thread, in order. The first exception
// a job throws is rethrown here after the others have finished; indices not yet taken are then
// skipped. Any thread; `job` must be safe to call from several threads at once.
void ForEachBounded(size_t count, size_t limit, const std::function<void(size_t)>& job);

}  // namespace orvex
