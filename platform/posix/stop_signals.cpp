#include "platform/posix/stop_signals.h"

#include <signal.h>

#include <ctime>

namespace orvex {
namespace {

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void BlockStopSignals() {
    const sigset_t set = StopSet();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

std::optional<int> WaitStopSignal(int timeoutMs) {
    const sigset_t set = StopSet();
    timespec timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
    const int signal = ::sigtimedwait(&set, nullptr, &timeout);
    if (signal < 0) {
        return std::nullopt;
    }
    return signal;
}

}  // namespace orvex
