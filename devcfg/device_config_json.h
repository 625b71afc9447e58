// DeviceConfigToPageJson: a camera's DeviceConfig as the page's "configItems" JSON.
#pragma once

#include <json/json.h>

#include <string>

#include "platform/rprov/rprov_records.h"

namespace orvex {

// Builds the page configuration of `record`, sets it as json["configItems"] and returns its
// text written at the writer's default settings with every line feed and tab removed. Codes
// without a page word leave their member out (encodings also write a debug line). Returns an
// empty text, leaving `json` as it was, if the JSON library fails. Pure apart from debug output;
// any thread.
std::string DeviceConfigToPageJson(const DeviceConfig& record, Json::Value& json);

// The page's "sensitivityLevel" for the record's motion sensitivity bytes, scale selector and
// alternate flag. Any thread.
int32_t PageSensitivityLevel(const DeviceConfig& record);

}  // namespace orvex
