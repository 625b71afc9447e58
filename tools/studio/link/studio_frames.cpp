#include "tools/studio/link/studio_frames.h"

#include <vector>

#include "support/json_text.h"

namespace orvex::studiohost {

std::string TextFrame(int32_t type, const std::string& text) {
    std::vector<char> frame = BuildStudioTextMessage(type, text);
    return std::string(frame.begin(), frame.end());
}

std::string GroupFrame(const Json::Value& groupMessage) {
    return TextFrame(STUDIO_MSG_GROUP_INFO, WriteJson(groupMessage));
}

std::string CameraFrame(const Json::Value& cameraObject) {
    return TextFrame(STUDIO_MSG_CAMERA, WriteJson(cameraObject));
}

std::string QuitFrame() {
    return TextFrame(STUDIO_MSG_QUIT, "");
}

std::optional<std::string> ConfigurationName(const StudioMessage& message) {
    Json::Value parsed;
    if (message.header.type != STUDIO_MSG_CONFIG_NAME || !ParseJson(message.text(), parsed) ||
        !parsed.isObject() || !parsed["cloudCfgName"].isString()) {
        return std::nullopt;
    }
    return parsed["cloudCfgName"].asString();
}

}  // namespace orvex::studiohost
