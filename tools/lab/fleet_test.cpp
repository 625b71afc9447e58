#include "tools/lab/fleet.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/json_text.h"

namespace orvex::lab {
namespace {

const char* kFleet = R"({
  "groups": [
    {"groupName": "Lobby", "groupId": "g-1", "cameras": [
      {"serial": "A1", "devname": "Door", "devip": "127.0.0.1", "passwd": "pw", "devType": "IPC",
       "port": 8001, "channelNo": 1, "iPlatform": 0, "encrypt": false, "newDev": true,
       "CheckPassword": true, "device": {"channels": 4}},
      {"serial": "A1", "channelNo": 2, "studioExtra": {"online": true, "serial": "shown"}}]},
    {"groupName": "Empty", "groupId": "g-2", "groupDevNum": 5}
  ]})";

TEST(FleetTest, ReadsGroupsCamerasAndDefaults) {
    Fleet fleet;
    std::string error;
    ASSERT_TRUE(ParseFleet(kFleet, fleet, error)) << error;
    ASSERT_EQ(fleet.groups.size(), 2u);
    const CameraRecord& door = fleet.groups[0].cameras[0].record;
    EXPECT_EQ(door.devname, "Door");
    EXPECT_EQ(door.port, 8001);
    EXPECT_FALSE(door.encrypt);
    EXPECT_TRUE(door.newDev);
    EXPECT_TRUE(door.CheckPassword);
    EXPECT_EQ(fleet.groups[0].cameras[0].source["device"]["channels"], 4);  // kept for devices
    const CameraRecord& second = fleet.groups[0].cameras[1].record;
    // The record's defaults for absent members.
    EXPECT_EQ(second.port, 8000);
    EXPECT_TRUE(second.encrypt);
    EXPECT_EQ(FindFleetCamera(fleet, "A1", 2), &fleet.groups[0].cameras[1]);
    EXPECT_EQ(FindFleetCamera(fleet, "A1", std::nullopt), &fleet.groups[0].cameras[0]);
    EXPECT_EQ(FindFleetCamera(fleet, "A1", 3), nullptr);
}

TEST(FleetTest, GroupMessageCarriesTheElevenMembersAndTheExtras) {
    Fleet fleet;
    std::string error;
    ASSERT_TRUE(ParseFleet(kFleet, fleet, error));
    Json::Value message = GroupMessage(fleet);
    const Json::Value& groups = message["groupInfo"];
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0]["groupName"], "Lobby");
    EXPECT_EQ(groups[0]["groupDevNum"], 2);  // counted when not given
    EXPECT_EQ(groups[1]["groupDevNum"], 5);
    EXPECT_TRUE(groups[1]["cameraLst"].isArray());
    EXPECT_EQ(groups[1]["cameraLst"].size(), 0u);
    const Json::Value& door = groups[0]["cameraLst"][0];
    EXPECT_EQ(door.getMemberNames().size(), 11u);
    EXPECT_FALSE(door.isMember("device"));
    const Json::Value& second = groups[0]["cameraLst"][1];
    EXPECT_EQ(second["online"], true);
    EXPECT_EQ(second["serial"], "shown");  // the extras win: a way to send odd members
}

TEST(FleetTest, ErrorsNameThePlace) {
    auto error = [](const std::string& text) {
        Fleet fleet;
        std::string message;
        EXPECT_FALSE(ParseFleet(text, fleet, message));
        return message;
    };
    EXPECT_EQ(error("[]"), "a fleet file is a JSON object");
    EXPECT_EQ(error("{}"), "groups: expected an array");
    EXPECT_EQ(error(R"({"groups":[{"groupName":"a"}]})"), "groups[0].groupId: expected a string");
    EXPECT_EQ(error(R"({"groups":[{"groupName":"a","groupId":"b","cameras":[{"serial":"s"},
                {"serial":"t","port":"80"}]}]})"),
              "groups[0].cameras[1].port: expected a 32-bit integer");
    EXPECT_EQ(error(R"({"groups":[{"groupName":"a","groupId":"b","cameras":[{"channelNo":1}]}]})"),
              "groups[0].cameras[0].serial: every camera needs a serial");
    EXPECT_EQ(error(R"({"groups":[{"groupName":"a","groupId":"b","cameras":[{"serial":"s",
                "newDev":1}]}]})"),
              "groups[0].cameras[0].newDev: expected true or false");
}

}  // namespace
}  // namespace orvex::lab
