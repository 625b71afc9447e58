#include "support/bounded_parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace orvex {

void ForEachBounded(size_t count, size_t limit, const std::function<void(size_t)>& job) {
    const size_t threads = std::min(count, std::max<size_t>(limit, 1));
    if (threads <= 1) {
        for (size_t i = 0; i < count; ++i) {
            job(i);
        }
        return;
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    std::exception_ptr error;
    auto run = [&] {
        for (size_t i = next++; i < count && !failed; i = next++) {
            try {
                job(i);
            } catch (...) {
                std::lock_guard<std::mutex> guard(errorLock);
                if (!error) {
                    error = std::current_exception();
                }
                failed = true;
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    for (size_t t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(run);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones running share the work
        }
    }
    run();  // the calling thread is one of them
    for (std::thread& t : pool) {
        t.join();
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

}  // namespace orvex
