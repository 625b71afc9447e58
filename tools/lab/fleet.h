// The fleet file: the lab's camera groups, as JSON. The studio role turns it into the studio's
// group and camera messages; device roles read the further members of each camera.
#pragma once

#include <json/json.h>

#include <optional>
#include <string>
#include <vector>

#include "devcfg/camera_record.h"

namespace orvex::lab {

struct FleetCamera {
    CameraRecord record;      // the eleven members of the camera object
    Json::Value studioExtra;  // members added to the camera object in the group message
    Json::Value source;       // the camera's whole object in the file (device members too)
};

struct FleetGroup {
    std::string groupName;
    std::string groupId;
    std::optional<int> groupDevNum;  // the announced count; the number of cameras by default
    std::vector<FleetCamera> cameras;
};

struct Fleet {
    std::vector<FleetGroup> groups;
    Json::Value source;  // the whole file
};

// Reads a fleet from its JSON text. Members of the wrong kind are errors naming their place
// ("groups[0].cameras[2].port: ..."); members the lab does not know are kept in `source`.
bool ParseFleet(const std::string& text, Fleet& fleet, std::string& error);
// ParseFleet on a file's content.
bool LoadFleet(const std::string& path, Fleet& fleet, std::string& error);

// The studio's group message for the fleet: {"groupInfo": [{"groupName", "groupId",
// "groupDevNum", "cameraLst": [camera objects]}]}.
Json::Value GroupMessage(const Fleet& fleet);
// The camera object of one fleet camera, as the studio sends it.
Json::Value StudioCameraObject(const FleetCamera& camera);
// The first camera with that serial (and channel, when given); null when there is none.
const FleetCamera* FindFleetCamera(const Fleet& fleet, const std::string& serial,
                                   std::optional<int> channelNo);

}  // namespace orvex::lab
