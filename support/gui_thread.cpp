#include "support/gui_thread.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace orvex {
namespace {

// Written once before any window exists; read from every thread afterwards.
std::atomic<bool> marked{false};
std::thread::id guiThread;

}  // namespace

void MarkGuiThread() {
    guiThread = std::this_thread::get_id();
    marked.store(true, std::memory_order_release);
}

bool OnGuiThread() {
    return !marked.load(std::memory_order_acquire) || std::this_thread::get_id() == guiThread;
}

void FailCheck(const char* expression) {
    std::fprintf(stderr, "[FATAL] Check failed: %s. \n", expression);
    std::fflush(stderr);
    std::abort();
}

}  // namespace orvex
