// The program's signal guard: sigaction and signal as the C library has them, except that a
// request to reset a signal the crash filter handles to its default action is refused while the
// filter is installed. Linked into the program's executable only, where its definitions take
// the place of the C library's for every library of the process: the browser engine resets all
// handlers when a sub-process starts, which would otherwise leave sub-processes without dumps.
// Handlers other than the default (the engine's own, which hand unknown faults on) are let through.
#include <dlfcn.h>

#include <csignal>

#include "platform/win32/crash_filter.h"

namespace {

using SigactionFn = int (*)(int, const struct sigaction*, struct sigaction*);
using SignalFn = sighandler_t (*)(int, sighandler_t);

SigactionFn RealSigaction() {
    static SigactionFn real = reinterpret_cast<SigactionFn>(dlsym(RTLD_NEXT, "sigaction"));
    return real;
}

SignalFn RealSignal() {
    static SignalFn real = reinterpret_cast<SignalFn>(dlsym(RTLD_NEXT, "signal"));
    return real;
}

}  // namespace

extern "C" int sigaction(int signalNumber, const struct sigaction* action,
                         struct sigaction* previous) {
    if (action != nullptr && (action->sa_flags & SA_SIGINFO) == 0 &&
        action->sa_handler == SIG_DFL && ShouldKeepCrashHandler(signalNumber)) {
        return RealSigaction()(signalNumber, nullptr, previous);  // report, change nothing
    }
    return RealSigaction()(signalNumber, action, previous);
}

extern "C" sighandler_t signal(int signalNumber, sighandler_t handler) {
    if (handler == SIG_DFL && ShouldKeepCrashHandler(signalNumber)) {
        struct sigaction current {};
        RealSigaction()(signalNumber, nullptr, &current);
        return current.sa_handler;
    }
    return RealSignal()(signalNumber, handler);
}
