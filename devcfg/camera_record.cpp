#include "devcfg/camera_record.h"

#include <cstdio>
#include <string_view>

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

namespace {

// The members of the camera object, as read into a record.
enum class Member {
    kNone,
    kSerial,
    kDevname,
    kDevip,
    kPasswd,
    kDevType,
    kPort,
    kChannelNo,
    kIPlatform,
    kEncrypt,
    kNewDev,
    kCheckPassword,
    kUserName
};

Member MemberOf(const char* name, size_t length) {
    // Dispatch on the length first: at most two names share one.
    std::string_view key(name, length);
    switch (length) {
        case 4:
            return key == "port" ? Member::kPort : Member::kNone;
        case 5:
            return key == "devip" ? Member::kDevip : Member::kNone;
        case 6:
            return key == "serial"   ? Member::kSerial
                   : key == "passwd" ? Member::kPasswd
                   : key == "newDev" ? Member::kNewDev
                                     : Member::kNone;
        case 7:
            return key == "devname"   ? Member::kDevname
                   : key == "devType" ? Member::kDevType
                   : key == "encrypt" ? Member::kEncrypt
                                      : Member::kNone;
        case 8:
            return key == "userName" ? Member::kUserName : Member::kNone;
        case 9:
            return key == "channelNo"   ? Member::kChannelNo
                   : key == "iPlatform" ? Member::kIPlatform
                                        : Member::kNone;
        case 13:
            return key == "CheckPassword" ? Member::kCheckPassword : Member::kNone;
        default:
            return Member::kNone;
    }
}

// Reads the named members in one pass over the object instead of one lookup per member
// (a group message carries many thousands of cameras). A member that is absent reads as empty
// text, 0 or false, exactly as a lookup would; a value that is neither object nor null raises
// jsoncpp's error as a lookup in it would.
void ReadMembers(const Json::Value& object, CameraRecord& record, bool allEleven) {
    record.serial.clear();
    record.devname.clear();
    record.devip.clear();
    record.passwd.clear();
    record.port = 0;
    record.channelNo = 0;
    record.iPlatform = 0;
    record.encrypt = false;
    record.newDev = false;
    record.devType.clear();
    record.userName.clear();
    if (allEleven) {
        record.CheckPassword = false;
    }
    if (object.isNull()) {
        return;
    }
    if (!object.isObject()) {
        throw Json::LogicError(
            "in Json::Value::operator[](char const*)const: requires objectValue");
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        const char* end = nullptr;
        const char* name = it.memberName(&end);
        const Json::Value& value = *it;
        switch (MemberOf(name, static_cast<size_t>(end - name))) {
            case Member::kSerial:
                record.serial = value.asString();
                break;
            case Member::kDevname:
                record.devname = value.asString();
                break;
            case Member::kDevip:
                record.devip = value.asString();
                break;
            case Member::kPasswd:
                record.passwd = value.asString();
                break;
            case Member::kPort:
                record.port = value.asInt();
                break;
            case Member::kChannelNo:
                record.channelNo = value.asInt();
                break;
            case Member::kIPlatform:
                record.iPlatform = value.asInt();
                break;
            case Member::kEncrypt:
                record.encrypt = value.asBool();
                break;
            case Member::kNewDev:
                record.newDev = value.asBool();
                break;
            case Member::kDevType:
                record.devType = value.asString();
                break;
            case Member::kUserName:
                record.userName = value.asString();
                break;
            case Member::kCheckPassword:
                if (allEleven)
                    record.CheckPassword = value.asBool();
                break;
            case Member::kNone:
                break;
        }
    }
}

}  // namespace

bool IsOnvifCamera(const CameraRecord& record) {
    static constexpr std::string_view kOnvif = "onvif";
    if (record.devType.size() != kOnvif.size()) {
        return false;
    }
    for (size_t i = 0; i < kOnvif.size(); ++i) {
        const char c = record.devType[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kOnvif[i]) {
            return false;
        }
    }
    return true;
}

std::string OnvifUserName(const CameraRecord& record) {
    return record.userName.empty() ? "admin" : record.userName;
}

void ReadCameraRequest(const Json::Value& object, CameraRecord& record) {
    ReadMembers(object, record, false);
}

void ReadCameraObject(const Json::Value& object, CameraRecord& record) {
    ReadMembers(object, record, true);
}

Json::Value WriteCameraObject(const CameraRecord& record) {
    // Static keys are not copied into each object: pages and lists write many cameras.
    static const Json::StaticString kSerial("serial"), kDevname("devname"), kDevip("devip"),
        kPasswd("passwd"), kPort("port"), kChannelNo("channelNo"), kEncrypt("encrypt"),
        kNewDev("newDev"), kIPlatform("iPlatform"), kDevType("devType"),
        kCheckPassword("CheckPassword");
    Json::Value object(Json::objectValue);
    object[kSerial] = record.serial;
    object[kDevname] = record.devname;
    object[kDevip] = record.devip;
    object[kPasswd] = record.passwd;
    object[kPort] = record.port;
    object[kChannelNo] = record.channelNo;
    object[kEncrypt] = record.encrypt;
    object[kNewDev] = record.newDev;
    object[kIPlatform] = record.iPlatform;
    object[kDevType] = record.devType;
    object[kCheckPassword] = record.CheckPassword;
    if (!record.userName.empty()) {
        object["userName"] = record.userName;
    }
    return object;
}

}  // namespace orvex
