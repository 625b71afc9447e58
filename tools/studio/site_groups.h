// The inventory as the studio link carries it: the group message and the camera objects the
// tool reads (devcfg's camera object, one per channel).
#pragma once

#include <json/json.h>

#include <optional>
#include <string>

#include "devcfg/camera_record.h"
#include "tools/studio/inventory.h"

namespace orvex::site {

// The camera record of one channel: devType "ONVIF" (with the user name) or "IPC" for the
// device protocol; a camera without a password asks the page to confirm one (CheckPassword).
// Any thread.
CameraRecord RecordOf(const SiteCamera& camera, int channelNo);
// {"groupInfo": [{"groupName", "groupId", "groupDevNum", "cameraLst": [...]}]}, every channel
// of every camera. Any thread.
Json::Value GroupMessage(const Inventory& inventory);
// The camera object of `serial`'s channel (the first when `channelNo` is 0); nothing when the
// inventory has no such camera or channel. Any thread.
std::optional<Json::Value> CameraObject(const Inventory& inventory, const std::string& serial,
                                        int channelNo);

}  // namespace orvex::site
