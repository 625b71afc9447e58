#include "platform/posix/process_limits.h"

#include <pthread.h>
#include <sys/resource.h>

namespace orvex {

void RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

size_t OpenFileLimit() {
    rlimit limit{};
    return ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? static_cast<size_t>(limit.rlim_cur) : 0;
}

void SetThreadStackSize(size_t bytes) {
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) {
        return;
    }
    if (::pthread_attr_setstacksize(&attributes, bytes) == 0) {
        ::pthread_setattr_default_np(&attributes);
    }
    ::pthread_attr_destroy(&attributes);
}

}  // namespace orvex
