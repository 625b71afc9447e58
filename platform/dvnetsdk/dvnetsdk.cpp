#include "platform/dvnetsdk/dvnetsdk.h"

#include <atomic>

namespace {
// The library keeps no device state of its own on this platform: the device conversations all
// go through the device library. What remains is its initialisation count.
std::atomic<int> g_initCount{0};
}  // namespace

BOOL NVSDK_Init() {
    ++g_initCount;
    return TRUE;
}

void NVSDK_Cleanup() {
    int count = g_initCount.load();
    while (count > 0 && !g_initCount.compare_exchange_weak(count, count - 1)) {
    }
}

namespace orvex {
bool IsNetSdkInitialised() {
    return g_initCount.load() > 0;
}
}  // namespace orvex
