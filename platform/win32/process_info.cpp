#include "platform/win32/process_info.h"

#include <unistd.h>

#include <random>
#include <string>

namespace orvex {
namespace {

std::string& commandLine() {
    static std::string* line = new std::string;  // lives until the process ends
    return *line;
}

}  // namespace

void SetCommandLineFromArgs(int argc, char** argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (i > 0) {
            line += ' ';
        }
        bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
        line += quote ? "\"" + arg + "\"" : arg;
    }
    commandLine() = line;
}

}  // namespace orvex

const char* GetCommandLineA() {
    return orvex::commandLine().c_str();
}

DWORD GetModuleFileNameA(void*, char* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    ssize_t n = readlink("/proc/self/exe", buffer, size - 1);
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

long CoInitialize(void*) {
    return 0;
}

void CoUninitialize() {}

long CoCreateGuid(GUID* guid) {
    if (guid == nullptr) {
        return -2147024809L;  // E_INVALIDARG
    }
    std::random_device source;
    guid->Data1 = source();
    guid->Data2 = static_cast<uint16_t>(source());
    guid->Data3 = static_cast<uint16_t>((source() & 0x0FFF) | 0x4000);  // version 4
    uint32_t a = source(), b = source();
    for (int i = 0; i < 4; ++i) {
        guid->Data4[i] = static_cast<uint8_t>(a >> (8 * i));
        guid->Data4[4 + i] = static_cast<uint8_t>(b >> (8 * i));
    }
    guid->Data4[0] = static_cast<uint8_t>((guid->Data4[0] & 0x3F) | 0x80);  // variant
    return 0;
}
