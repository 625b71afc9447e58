// Fuzzes the reading of the page's configuration (ParseIssuedConfig) and the writing of the
// result into a record: arbitrary text as a whole request, and spliced as the value of one
// member of a complete request so the readers of every section meet every kind of value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "devcfg/config_items.h"
#include "devcfg/issued_config.h"
#include "devcfg/testing/sample_records.h"

namespace {

using orvex::IssuedConfig;

// Member names of a complete request, each the place where the fuzz text is spliced in.
const char* const kSplicePoints[] = {
    "\"generalConfig\":",  "\"timeProofreading\":",
    "\"serverAddress\":",  "\"wiFiConfig\":",
    "\"ssid\":",           "\"password\":",
    "\"defenceConfig\":",  "\"motionDetectDefence\":",
    "\"detectMode\":",     "\"remindSwitch\":",
    "\"imageConfig\":",    "\"audioAndVideoConfig\":",
    "\"videoConfig\":",    "\"frameType\":",
    "\"vbrUpperCap\":",    "\"audioConfig\":",
    "\"imageBacklight\":", "\"wideDynamicRangeSwitch\":",
    "\"imageColor\":",     "\"hue\":",
    "\"imageDisplay\":",   "\"dateFormat\":",
    "\"configItems\":",
};

// Replaces the value after `point` in `request` (up to the next ',' or '}' at that depth, or
// the whole nested value) with `value`.
std::string Splice(const std::string& request, const char* point, const std::string& value) {
    const size_t at = request.find(point);
    if (at == std::string::npos) {
        return request;
    }
    const size_t begin = at + std::char_traits<char>::length(point);
    size_t end = begin;
    int depth = 0;
    bool inText = false;
    for (; end < request.size(); ++end) {
        const char c = request[end];
        if (inText) {
            if (c == '\\') {
                ++end;
            } else if (c == '"') {
                inText = false;
            }
        } else if (c == '"') {
            inText = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (depth == 0) {
                break;
            }
            --depth;
        } else if (c == ',' && depth == 0) {
            break;
        }
    }
    return request.substr(0, begin) + value + request.substr(end);
}

void Check(const std::string& request) {
    IssuedConfig config;
    orvex::ParseIssuedConfig(request, config);
    // Only the section bits exist, and Wi-Fi is only ever read inside the general section.
    if ((config.sectionMask & ~0xFEu) != 0 ||
        ((config.sectionMask & 0x80u) != 0 && (config.sectionMask & 0x02u) == 0)) {
        std::abort();
    }
    auto record = std::make_unique<orvex::DeviceConfig>();
    for (const orvex::IssueItem& item : orvex::IssueItems()) {
        if ((config.sectionMask & item.sectionBit) == 0) {
            continue;
        }
        for (int i = 0; i < item.codeCount; ++i) {
            if (!orvex::WriteConfigItem(item.codes[i], config, 1, *record)) {
                std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Check(text);
    if (size > 0) {
        const size_t points = sizeof(kSplicePoints) / sizeof(kSplicePoints[0]);
        const char* point = kSplicePoints[data[0] % points];
        Check(Splice(orvex::testing::FullConfigRequest(), point, text.substr(1)));
    }
    return 0;
}
