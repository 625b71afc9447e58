#include "app/crash_dump.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/process_info.h"

namespace orvex {
namespace {

// Appends to a fixed buffer, always leaving it NUL-terminated (snprintf is not signal-safe).
class NameBuilder {
  public:
    NameBuilder(char* buffer, size_t size) : buffer_(buffer), size_(size) { buffer_[0] = '\0'; }
    NameBuilder& text(const char* s) {
        while (*s != '\0' && used_ + 1 < size_) {
            buffer_[used_++] = *s++;
        }
        buffer_[used_] = '\0';
        return *this;
    }
    NameBuilder& number(int value) {
        char digits[16];
        int n = 0;
        unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        if (value < 0) {
            digits[n++] = '-';
        }
        char reversed[17];
        for (int i = 0; i < n; ++i) {
            reversed[i] = digits[n - 1 - i];
        }
        reversed[n] = '\0';
        return text(reversed);
    }

  private:
    char* buffer_;
    size_t size_;
    size_t used_ = 0;
};

// Where dumps go when the executable's folder cannot take them; set once at start-up, read in
// the signal handler.
char gFallbackFolder[1024] = "";

}  // namespace

void FormatDumpFileName(char (&buffer)[1284], const char* folder, const SafeLocalTime& time) {
    NameBuilder name(buffer, sizeof buffer);
    name.text(folder).text("/orvex_cloud_").number(time.year).text("_").number(time.month);
    name.text("_").number(time.day).text("_").number(time.hour).text("_").number(time.minute);
    name.text("_").number(time.second).text(".dmp");
}

bool WriteDumpFile(const char* folder, const char* fallback, const SafeLocalTime& time,
                   EXCEPTION_POINTERS* exception) {
    char name[1284];
    FormatDumpFileName(name, folder, time);
    int fd = CreateDumpFile(name);
    if (fd < 0 && fallback[0] != '\0' && CreateDumpFolder(fallback)) {
        FormatDumpFileName(name, fallback, time);
        fd = CreateDumpFile(name);
    }
    if (fd < 0) {
        return false;
    }
    MiniDumpWriteDump(fd, exception);
    CloseDumpFile(fd);
    return true;
}

void PrepareDumpFallbackFolder() {
    std::string folder;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        folder = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        folder = std::string(home) + "/.local/state";
    } else {
        return;
    }
    folder += "/orvex-cloud-config";
    if (folder.size() < sizeof gFallbackFolder) {
        std::memcpy(gFallbackFolder, folder.c_str(), folder.size() + 1);
    }
}

LONG OrvexCloudDump(EXCEPTION_POINTERS* exception) {
    SafeLocalTime now = GetLocalTimeInSignal();
    char path[260];
    GetModuleFileNameA(nullptr, path, sizeof path);
    // The executable's folder: its path up to, not including, the last separator.
    if (char* last = std::strrchr(path, '/')) {
        *last = '\0';
    }
    WriteDumpFile(path, gFallbackFolder, now, exception);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace orvex
