#include "tools/lab/fleet.h"

#include <fstream>
#include <sstream>

#include "support/json_text.h"

namespace orvex::lab {
namespace {

// Reads the members that are present, checking their kinds; absent members keep the record's
// defaults (port 8000, encrypt true, everything else empty, 0 or false).
bool ReadCamera(const Json::Value& object, const std::string& where, FleetCamera& camera,
                std::string& error) {
    if (!object.isObject()) {
        error = where + ": a camera is an object";
        return false;
    }
    CameraRecord& r = camera.record;
    struct Text {
        const char* name;
        std::string* field;
    };
    for (Text t : {Text{"serial", &r.serial}, Text{"devname", &r.devname}, Text{"devip", &r.devip},
                   Text{"passwd", &r.passwd}, Text{"devType", &r.devType}}) {
        if (!object.isMember(t.name)) {
            continue;
        }
        if (!object[t.name].isString()) {
            error = where + "." + t.name + ": expected a string";
            return false;
        }
        *t.field = object[t.name].asString();
    }
    struct Number {
        const char* name;
        int32_t* field;
    };
    for (Number n : {Number{"port", &r.port}, Number{"channelNo", &r.channelNo},
                     Number{"iPlatform", &r.iPlatform}}) {
        if (!object.isMember(n.name)) {
            continue;
        }
        if (!object[n.name].isInt()) {
            error = where + "." + n.name + ": expected a 32-bit integer";
            return false;
        }
        *n.field = object[n.name].asInt();
    }
    struct Flag {
        const char* name;
        bool* field;
    };
    for (Flag f : {Flag{"encrypt", &r.encrypt}, Flag{"newDev", &r.newDev},
                   Flag{"CheckPassword", &r.CheckPassword}}) {
        if (!object.isMember(f.name)) {
            continue;
        }
        if (!object[f.name].isBool()) {
            error = where + "." + f.name + ": expected true or false";
            return false;
        }
        *f.field = object[f.name].asBool();
    }
    if (r.serial.empty()) {
        error = where + ".serial: every camera needs a serial";
        return false;
    }
    const Json::Value& extra = object["studioExtra"];
    if (!extra.isNull() && !extra.isObject()) {
        error = where + ".studioExtra: expected an object";
        return false;
    }
    camera.studioExtra = extra;
    camera.source = object;
    return true;
}

bool ReadGroup(const Json::Value& object, const std::string& where, FleetGroup& group,
               std::string& error) {
    if (!object.isObject()) {
        error = where + ": a group is an object";
        return false;
    }
    for (const char* name : {"groupName", "groupId"}) {
        if (!object[name].isString()) {
            error = where + "." + name + ": expected a string";
            return false;
        }
    }
    group.groupName = object["groupName"].asString();
    group.groupId = object["groupId"].asString();
    if (object.isMember("groupDevNum")) {
        if (!object["groupDevNum"].isInt()) {
            error = where + ".groupDevNum: expected a 32-bit integer";
            return false;
        }
        group.groupDevNum = object["groupDevNum"].asInt();
    }
    const Json::Value& cameras = object["cameras"];
    if (!cameras.isNull() && !cameras.isArray()) {
        error = where + ".cameras: expected an array";
        return false;
    }
    for (Json::ArrayIndex i = 0; i < cameras.size(); ++i) {
        FleetCamera camera;
        if (!ReadCamera(cameras[i], where + ".cameras[" + std::to_string(i) + "]", camera, error)) {
            return false;
        }
        group.cameras.push_back(std::move(camera));
    }
    return true;
}

}  // namespace

bool ParseFleet(const std::string& text, Fleet& fleet, std::string& error) {
    Json::Value root;
    if (!ParseJson(text, root) || !root.isObject()) {
        error = "a fleet file is a JSON object";
        return false;
    }
    const Json::Value& groups = root["groups"];
    if (!groups.isArray()) {
        error = "groups: expected an array";
        return false;
    }
    Fleet parsed;
    for (Json::ArrayIndex i = 0; i < groups.size(); ++i) {
        FleetGroup group;
        if (!ReadGroup(groups[i], "groups[" + std::to_string(i) + "]", group, error)) {
            return false;
        }
        parsed.groups.push_back(std::move(group));
    }
    parsed.source = root;
    fleet = std::move(parsed);
    return true;
}

bool LoadFleet(const std::string& path, Fleet& fleet, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!ParseFleet(text.str(), fleet, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

Json::Value StudioCameraObject(const FleetCamera& camera) {
    Json::Value object = WriteCameraObject(camera.record);
    if (camera.studioExtra.isObject()) {
        for (const std::string& name : camera.studioExtra.getMemberNames()) {
            object[name] = camera.studioExtra[name];
        }
    }
    return object;
}

Json::Value GroupMessage(const Fleet& fleet) {
    Json::Value groups(Json::arrayValue);
    for (const FleetGroup& group : fleet.groups) {
        Json::Value object;
        object["groupName"] = group.groupName;
        object["groupId"] = group.groupId;
        object["groupDevNum"] = group.groupDevNum.value_or(static_cast<int>(group.cameras.size()));
        Json::Value cameras(Json::arrayValue);
        for (const FleetCamera& camera : group.cameras) {
            cameras.append(StudioCameraObject(camera));
        }
        object["cameraLst"] = cameras;
        groups.append(object);
    }
    Json::Value message;
    message["groupInfo"] = groups;
    return message;
}

const FleetCamera* FindFleetCamera(const Fleet& fleet, const std::string& serial,
                                   std::optional<int> channelNo) {
    for (const FleetGroup& group : fleet.groups) {
        for (const FleetCamera& camera : group.cameras) {
            if (camera.record.serial == serial &&
                (!channelNo || camera.record.channelNo == *channelNo)) {
                return &camera;
            }
        }
    }
    return nullptr;
}

}  // namespace orvex::lab
