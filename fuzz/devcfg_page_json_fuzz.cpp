// Fuzzes DeviceConfigToPageJson on arbitrary records: the text is always empty or valid JSON
// equal to the "configItems" member it set. An input of at least 80,280 bytes is the record
// itself; a shorter one is spread over the fields the conversion reads, so that short inputs
// reach every branch.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "devcfg/device_config_json.h"
#include "support/json_text.h"

namespace {

using orvex::DeviceConfig;

struct Field {
    size_t offset;
    size_t width;
};

// Every byte range the conversion reads, scale selector and flag first.
constexpr Field kReadFields[] = {
    {80248, 4},  {80252, 1}, {224, 4},   {295, 1},    {364, 1},    {40344, 1},
    {40349, 1},  {41676, 1}, {41678, 1}, {79564, 26}, {79680, 26}, {80144, 2},
    {80156, 1},  {77628, 1}, {380, 1},   {516, 4},    {560, 4},    {568, 4},
    {80220, 16}, {80264, 4}, {0, 64},    {188, 32},   {232, 63},   {296, 68},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto record = std::make_unique<DeviceConfig>();
    if (size >= DeviceConfig::kSize) {
        std::memcpy(record->data(), data, DeviceConfig::kSize);
    } else {
        size_t used = 0;
        for (const Field& f : kReadFields) {
            const size_t n = std::min(f.width, size - used);
            if (n == 0) {
                break;
            }
            std::memcpy(record->data() + f.offset, data + used, n);
            used += n;
        }
    }
    Json::Value json;
    const std::string text = orvex::DeviceConfigToPageJson(*record, json);
    if (text.empty()) {
        return 0;
    }
    Json::Value parsed;
    if (!orvex::ParseJson(text, parsed) || !parsed.isObject() ||
        text.find_first_of("\n\t") != std::string::npos || orvex::WriteFlatJson(parsed) != text ||
        orvex::WriteFlatJson(json["configItems"]) != text) {
        std::abort();
    }
    return 0;
}
