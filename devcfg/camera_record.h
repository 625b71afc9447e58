// CameraRecord, CameraKey and GroupRecord, and the camera object's JSON forms.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex {

// One channel of one device.
struct CameraRecord {
    std::string serial;
    std::string devname;
    std::string devip;
    std::string passwd;
    std::string devType;   // "ONVIF" (any letter case): an ONVIF camera; else the device protocol
    std::string userName;  // the ONVIF user name; empty reads as "admin"
    int32_t port = 8000;
    int32_t channelNo = 0;
    int32_t iPlatform = 0;  // 0 = local camera, anything else = platform camera
    bool encrypt = true;
    bool newDev = false;
    bool CheckPassword = false;
};

struct GroupRecord {
    std::string groupId;
    std::vector<CameraRecord> cameras;
};

// The longest CameraKey: it is formed in a 130-byte buffer, terminator included.
constexpr size_t kMaxCameraKeyLength = 129;

// "serial_channel"; nothing when the key would be longer than kMaxCameraKeyLength. Any thread.
std::optional<std::string> MakeCameraKey(const std::string& serial, int32_t channelNo);

// True for a camera whose devType is "ONVIF" in any letter case. Any thread.
bool IsOnvifCamera(const CameraRecord& record);
// The user name an ONVIF camera is logged in as: userName, or "admin" when it is empty.
std::string OnvifUserName(const CameraRecord& record);

// Reads the eleven members of a camera object, and the optional "userName", with jsoncpp's
// conversions (a missing member reads as empty text, 0 or false). Throws Json::Exception for a
// member of the wrong kind.
void ReadCameraObject(const Json::Value& object, CameraRecord& record);

// Reads the nine members of a camera request and the camera's kind, "devType" and "userName"
// ("CheckPassword" is not read).
// Throws Json::Exception for a member of the wrong kind.
void ReadCameraRequest(const Json::Value& object, CameraRecord& record);

// The eleven-member camera object of a record, with "userName" when the record has one.
Json::Value WriteCameraObject(const CameraRecord& record);

}  // namespace orvex
