#include "platform/win32/debug_output.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace orvex {
namespace {

struct DebugOutput {
    std::mutex mutex;
    std::function<void(const char*)> reader;

    DebugOutput() {
        const char* target = std::getenv("ORVEX_DEBUG_OUTPUT");
        if (target == nullptr || *target == '\0') {
            return;
        }
        if (std::strcmp(target, "stderr") == 0) {
            reader = [](const char* text) {
                std::fputs(text, stderr);
                std::fflush(stderr);
            };
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

}  // namespace

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
