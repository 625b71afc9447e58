#include "app/make_uuid.h"

#include <cstdio>

#include "platform/win32/process_info.h"

namespace orvex {

std::string MakeUuid() {
    GUID guid;
    CoCreateGuid(&guid);  // its result is not used: a failed call leaves a zero GUID
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", guid.Data1,
                  guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return buffer;
}

}  // namespace orvex
