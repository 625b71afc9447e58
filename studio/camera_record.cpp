#include "studio/camera_record.h"

#include <cstdio>

namespace orvex {

std::optional<std::string> MakeCameraKey(const std::string& serial, int32_t channelNo) {
    char channel[16];
    std::snprintf(channel, sizeof channel, "%d", channelNo);
    // The serial ends at its first NUL, as a C text would.
    std::string key = std::string(serial.c_str()) + "_" + channel;
    if (key.size() > kMaxCameraKeyLength) {
        return std::nullopt;
    }
    return key;
}

void ReadCameraRequest(const Json::Value& object, CameraRecord& record) {
    record.serial = object["serial"].asString();
    record.channelNo = object["channelNo"].asInt();
    record.encrypt = object["encrypt"].asBool();
    record.newDev = object["newDev"].asBool();
    record.iPlatform = object["iPlatform"].asInt();
    record.port = object["port"].asInt();
    record.devip = object["devip"].asString();
    record.devname = object["devname"].asString();
    record.passwd = object["passwd"].asString();
}

void ReadCameraObject(const Json::Value& object, CameraRecord& record) {
    ReadCameraRequest(object, record);
    record.devType = object["devType"].asString();
    record.CheckPassword = object["CheckPassword"].asBool();
}

Json::Value WriteCameraObject(const CameraRecord& record) {
    Json::Value object(Json::objectValue);
    object["serial"] = record.serial;
    object["devname"] = record.devname;
    object["devip"] = record.devip;
    object["passwd"] = record.passwd;
    object["port"] = record.port;
    object["channelNo"] = record.channelNo;
    object["encrypt"] = record.encrypt;
    object["newDev"] = record.newDev;
    object["iPlatform"] = record.iPlatform;
    object["devType"] = record.devType;
    object["CheckPassword"] = record.CheckPassword;
    return object;
}

}  // namespace orvex
