#include "platform/win32/debug_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace orvex {
namespace {

// The standard error the process started with, kept apart from descriptor 2 (which the
// routing replaces); -1 when there was none.
int originalStandardError() {
    static const int fd = fcntl(2, F_DUPFD_CLOEXEC, 3);
    return fd;
}

void writeAll(int fd, const char* text, size_t length) {
    while (fd >= 0 && length > 0) {
        ssize_t written = write(fd, text, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text += written;
        length -= static_cast<size_t>(written);
    }
}

struct DebugOutput {
    std::mutex mutex;
    std::function<void(const char*)> reader;

    DebugOutput() {
        const char* target = std::getenv("ORVEX_DEBUG_OUTPUT");
        if (target == nullptr || *target == '\0') {
            return;
        }
        if (std::strcmp(target, "stderr") == 0) {
            int fd = originalStandardError();
            reader = [fd](const char* text) { writeAll(fd, text, std::strlen(text)); };
            return;
        }
        if (FILE* file = std::fopen(target, "a")) {
            reader = [file](const char* text) {
                std::fputs(text, file);
                std::fflush(file);
            };
        }
    }
};

DebugOutput& output() {
    static DebugOutput* instance = new DebugOutput;  // lives until the process ends
    return *instance;
}

// The perror lines of the statistics reporter's socket helpers go to the terminal, as they
// always have; every other line is debug output.
void forwardLine(const std::string& line) {
    if (line.rfind("readn ", 0) == 0 || line.rfind("writen ", 0) == 0) {
        WriteToOriginalStandardError(line.c_str());
    } else {
        OutputDebugStringA(line.c_str());
    }
}

// Forwards the pipe's text line by line; a last line without its line feed goes at the end.
void forwardLines(int readEnd) {
    std::string pending;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(readEnd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        pending.append(buffer, static_cast<size_t>(n));
        size_t start = 0;
        for (size_t end = pending.find('\n'); end != std::string::npos;
             end = pending.find('\n', start)) {
            forwardLine(pending.substr(start, end + 1 - start));
            start = end + 1;
        }
        pending.erase(0, start);
    }
    if (!pending.empty()) {
        forwardLine(pending);
    }
    close(readEnd);
}

}  // namespace

void RouteStandardStreamsToDebugOutput() {
    output();  // the "stderr" reader takes the original descriptor before it is replaced
    originalStandardError();
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    // Descriptor 2 is inherited by the processes started later (dup2 clears close-on-exec);
    // the pipe's own descriptors are not, so the pipe ends when they all exit.
    std::fflush(stderr);
    if (dup2(ends[1], 2) < 0) {
        close(ends[0]);
        close(ends[1]);
        return;
    }
    close(ends[1]);
    std::thread(forwardLines, ends[0]).detach();  // lives until the process ends
}

void WriteToOriginalStandardError(const char* text) {
    if (text != nullptr) {
        writeAll(originalStandardError(), text, std::strlen(text));
    }
}

void AttachDebugOutputReader(std::function<void(const char*)> reader) {
    DebugOutput& out = output();
    std::lock_guard<std::mutex> lock(out.mutex);
    out.reader = std::move(reader);
}

}  // namespace orvex

void OutputDebugStringA(const char* text) {
    orvex::DebugOutput& out = orvex::output();
    std::lock_guard<std::mutex> lock(out.mutex);
    if (out.reader && text != nullptr) {
        out.reader(text);
    }
}

DWORD GetTickCount() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}
