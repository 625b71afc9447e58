// The lab cameras' faults and counters as the JSON the roles print.
#pragma once

#include <json/json.h>

#include <string>

#include "tools/lab/cameras_device.h"

namespace orvex::lab {

// The faults object of a "faults" event. Any thread.
Json::Value FaultsJson(const CameraFaults& faults);
// A whole "counters" event for the camera. Any thread.
Json::Value CountersJson(const std::string& serial, const CameraCounters& counters);

}  // namespace orvex::lab
