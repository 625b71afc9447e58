#include "tools/studio/site_groups.h"

namespace orvex::site {

CameraRecord RecordOf(const SiteCamera& camera, int channelNo) {
    CameraRecord record;
    record.serial = camera.serial;
    record.devname = camera.name.empty() ? camera.serial : camera.name;
    if (camera.channels > 1) {
        record.devname += " #" + std::to_string(channelNo);
    }
    record.devip = camera.address;
    record.passwd = camera.password;
    const bool onvif = camera.protocol == kOnvif;
    record.devType = onvif ? "ONVIF" : "IPC";
    record.userName = onvif ? camera.user : "";
    record.port = camera.port;
    record.channelNo = channelNo;
    record.CheckPassword = camera.password.empty();
    return record;
}

Json::Value GroupMessage(const Inventory& inventory) {
    Json::Value groups(Json::arrayValue);
    for (const SiteGroup& group : inventory.groups) {
        Json::Value object;
        object["groupName"] = group.name;
        object["groupId"] = group.id;
        Json::Value cameras(Json::arrayValue);
        for (const SiteCamera& camera : group.cameras) {
            for (int channel = 1; channel <= camera.channels; ++channel) {
                cameras.append(WriteCameraObject(RecordOf(camera, channel)));
            }
        }
        object["groupDevNum"] = static_cast<int>(cameras.size());
        object["cameraLst"] = cameras;
        groups.append(object);
    }
    Json::Value message;
    message["groupInfo"] = groups;
    return message;
}

std::optional<Json::Value> CameraObject(const Inventory& inventory, const std::string& serial,
                                        int channelNo) {
    for (const SiteGroup& group : inventory.groups) {
        for (const SiteCamera& camera : group.cameras) {
            if (camera.serial == serial && channelNo <= camera.channels) {
                return WriteCameraObject(RecordOf(camera, channelNo < 1 ? 1 : channelNo));
            }
        }
    }
    return std::nullopt;
}

}  // namespace orvex::site
