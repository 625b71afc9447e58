#include "platform/win32/crash_filter.h"

#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> g_filter{nullptr};
std::atomic<long> g_utcOffsetSeconds{0};
std::atomic<bool> g_ending{false};  // the handler is giving the signal back to its default
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// A fixed buffer with async-signal-safe formatting of texts and integers.
class SafeWriter {
  public:
    explicit SafeWriter(int fd) : fd_(fd) {}
    ~SafeWriter() { flush(); }
    SafeWriter& text(const char* s) {
        while (*s != '\0') {
            put(*s++);
        }
        return *this;
    }
    SafeWriter& number(long long value) {
        if (value < 0) {
            put('-');
            return unsignedNumber(0ULL - static_cast<unsigned long long>(value), 10);
        }
        return unsignedNumber(static_cast<unsigned long long>(value), 10);
    }
    SafeWriter& hex(unsigned long long value) {
        text("0x");
        return unsignedNumber(value, 16);
    }
    void flush() {
        size_t done = 0;
        while (done < used_) {
            ssize_t n = write(fd_, buffer_ + done, used_ - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        used_ = 0;
    }

  private:
    SafeWriter& unsignedNumber(unsigned long long value, unsigned base) {
        char digits[32];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value != 0);
        while (n > 0) {
            put(digits[--n]);
        }
        return *this;
    }
    void put(char c) {
        if (used_ == sizeof buffer_) {
            flush();
        }
        buffer_[used_++] = c;
    }
    int fd_;
    char buffer_[1024];
    size_t used_ = 0;
};

void OnFatalSignal(int signalNumber, siginfo_t* info, void* context) {
    EXCEPTION_POINTERS pointers{signalNumber, info, context};
    LPTOP_LEVEL_EXCEPTION_FILTER filter = g_filter.load();
    if (filter != nullptr) {
        filter(&pointers);
    }
    // The filter executed the handler: end the process with the signal's default action.
    g_ending = true;
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
    // Record the UTC offset now: the conversion to local time is not safe inside a handler.
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    g_utcOffsetSeconds = local.tm_gmtoff;
    // backtrace() loads its unwinder on first use; do that here rather than in the handler.
    void* frames[2];
    backtrace(frames, 2);

    // A stack of its own for the handler, so a stack overflow of this thread still dumps.
    static char alternateStack[64 * 1024];
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);

    LPTOP_LEVEL_EXCEPTION_FILTER previous = g_filter.exchange(filter);
    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_RESETHAND | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int sig : kFatalSignals) {
        sigaction(sig, &action, nullptr);
    }
    return previous;
}

bool ShouldKeepCrashHandler(int signalNumber) {
    if (g_filter.load() == nullptr || g_ending.load()) {
        return false;
    }
    for (int sig : kFatalSignals) {
        if (sig == signalNumber) {
            return true;
        }
    }
    return false;
}

int CreateDumpFile(const char* path) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        fchmod(fd, 0600);  // an older dump of the same second may have had wider rights
    }
    return fd;
}

bool CreateDumpFolder(const char* path) {
    char partial[1024];
    size_t n = 0;
    for (const char* p = path; *p != '\0' && n + 1 < sizeof partial; ++p) {
        if (*p == '/' && n > 0) {
            partial[n] = '\0';
            mkdir(partial, 0700);  // an existing folder is fine
        }
        partial[n++] = *p;
    }
    partial[n] = '\0';
    struct stat st {};
    return (mkdir(partial, 0700) == 0 || errno == EEXIST) && stat(partial, &st) == 0 &&
           S_ISDIR(st.st_mode);
}

void CloseDumpFile(int fd) {
    if (fd >= 0) {
        close(fd);
    }
}

SafeLocalTime GetLocalTimeInSignal() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    long long seconds = static_cast<long long>(ts.tv_sec) + g_utcOffsetSeconds.load();
    long long days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    long long secondOfDay = seconds - days * 86400;
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    long long z = days + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long day = doy - (153 * mp + 2) / 5 + 1;
    long long month = mp < 10 ? mp + 3 : mp - 9;
    long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<int>(year),
            static_cast<int>(month),
            static_cast<int>(day),
            static_cast<int>(secondOfDay / 3600),
            static_cast<int>(secondOfDay / 60 % 60),
            static_cast<int>(secondOfDay % 60)};
}

BOOL MiniDumpWriteDump(int fd, const EXCEPTION_POINTERS* exception) {
    if (fd < 0 || exception == nullptr) {
        return FALSE;
    }
    SafeWriter out(fd);
    out.text("OrvexCloudConfig crash dump\nprocess ").number(getpid());
    out.text("\nsignal ").number(exception->signalNumber).text(" (");
    out.text(sigabbrev_np(exception->signalNumber) ? sigabbrev_np(exception->signalNumber) : "?");
    out.text(")\n");
    if (exception->info != nullptr) {
        out.text("code ").number(exception->info->si_code);
        out.text("\naddress ").hex(reinterpret_cast<uintptr_t>(exception->info->si_addr));
        out.text("\n");
    }
#if defined(__x86_64__)
    if (exception->context != nullptr) {
        static const char* const kNames[] = {"r8",     "r9",  "r10",    "r11",     "r12", "r13",
                                             "r14",    "r15", "rdi",    "rsi",     "rbp", "rbx",
                                             "rdx",    "rax", "rcx",    "rsp",     "rip", "efl",
                                             "csgsfs", "err", "trapno", "oldmask", "cr2"};
        const auto* uc = static_cast<const ucontext_t*>(exception->context);
        out.text("registers\n");
        for (int i = 0; i < NGREG; ++i) {
            out.text("  ").text(kNames[i]).text(" ").hex(
                static_cast<unsigned long long>(uc->uc_mcontext.gregs[i]));
            out.text("\n");
        }
    }
#endif
    out.text("backtrace\n");
    out.flush();
    void* frames[64];
    int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, fd);
    out.text("memory map\n");
    out.flush();
    int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps >= 0) {
        char chunk[4096];
        ssize_t n;
        while ((n = read(maps, chunk, sizeof chunk)) > 0) {
            if (write(fd, chunk, static_cast<size_t>(n)) != n) {
                break;
            }
        }
        close(maps);
    }
    return TRUE;
}
