// What a lab camera accepts: the checks of one configuration item against the channel's ranges,
// with the message the camera answers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rprov/rprov_records.h"

namespace orvex::lab {

struct Verdict {
    uint16_t status = 0;  // a wire status: 0 = accepted
    std::string message;  // the camera's answer, accepted or not
};

// Checks item `item` of `staged` (the channel's record with the sent block already in place)
// against `range`; `channelNo` is the channel the item was sent for. The item code and block
// size are checked by the caller. Any thread.
// What configuration item `item` sets, in the words the camera answers with ("图像颜色");
// "配置" for a code that is no item. Any thread.
const char* ItemWords(int32_t item);

Verdict ValidateItem(int32_t item, int32_t channelNo, const DeviceConfig& staged,
                     const ConfigRange& range);

}  // namespace orvex::lab
