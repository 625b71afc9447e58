// The frames the studio sends on the studio link (groups, current camera, quit, any text) and
// the configuration name the program sends back.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <optional>
#include <string>

#include "studio/studio_message.h"

namespace orvex::studiohost {

// A text message of `type`: the header, the text and its NUL. Any thread.
std::string TextFrame(int32_t type, const std::string& text);
// Type 1: {"groupInfo": [...]} as jsoncpp's default writer writes it. Any thread.
std::string GroupFrame(const Json::Value& groupMessage);
// Type 2: one camera object, the current camera. Any thread.
std::string CameraFrame(const Json::Value& cameraObject);
// Type 3 with an empty text: the program is to close. Any thread.
std::string QuitFrame();

// The configuration name of a type 1 message from the program ({"cloudCfgName": name});
// nothing for any other message. Any thread.
std::optional<std::string> ConfigurationName(const StudioMessage& message);

}  // namespace orvex::studiohost
