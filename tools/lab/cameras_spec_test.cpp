// Where lab cameras come from: "--camera" texts, generated fleets, fleet files, and the fleet
// handed on to the studio role.
#include "tools/lab/cameras_spec.h"

#include "support/json_text.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orvex::lab {
namespace {

TEST(CameraSpecText, ReadsEveryKeyAndFault) {
    CameraSpec spec;
    std::string error;
    ASSERT_TRUE(ParseCameraSpec(
        "serial=OX7,address=127.0.3.4,port=8000,password=pw,channels=3,wifi=30,name=Gate,"
        "refuse-login,wrong-password,silent,absent,delay=150,fail-item=8,drop-on-item=4,"
        "forget-item=5,fail-read=wifi",
        spec, error))
        << error;
    EXPECT_EQ(spec.serial, "OX7");
    EXPECT_EQ(spec.address, "127.0.3.4");
    EXPECT_EQ(spec.port, 8000);
    EXPECT_EQ(spec.password, "pw");
    EXPECT_EQ(spec.wifiNetworks, 30);
    EXPECT_EQ(spec.name, "Gate");
    EXPECT_EQ(spec.channels, (std::vector<int32_t>{1, 2, 3}));
    CameraFaults expected{true, true, true, true, 150, 8, 4, 5, "wifi"};
    EXPECT_EQ(spec.faults, expected);

    CameraFaults faults = expected;
    ASSERT_TRUE(ApplyFaultWord("none", faults, error));
    EXPECT_EQ(faults, CameraFaults());

    for (const char* bad :
         {"port=8000", "serial=A,port=70000", "serial=A,channels=0", "serial=A,delay=x",
          "serial=A,forget-item=-1", "serial=A,explode", "serial=A,fail-read=disk"}) {
        EXPECT_FALSE(ParseCameraSpec(bad, spec, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(CameraSpecGenerated, GivesEachCameraItsOwnAddressOrPort) {
    std::vector<CameraSpec> specs;
    std::string error;
    ASSERT_TRUE(GenerateCameraSpecs(3, "CAM", "pw", "127.0.1.254", 8000, 2, specs, error));
    ASSERT_EQ(specs.size(), 3u);
    EXPECT_EQ(specs[0].serial, "CAM00001");
    EXPECT_EQ(specs[1].address, "127.0.1.255");
    EXPECT_EQ(specs[2].address, "127.0.2.0");
    EXPECT_EQ(specs[2].port, 8000);
    EXPECT_EQ(specs[2].channels, (std::vector<int32_t>{1, 2}));
    // For the studio they make one group of every channel, on the ports they got.
    Json::Value out = FleetForStudio(Fleet(), specs,
                                     {{"CAM00001", "127.0.1.254", 1111, true},
                                      {"CAM00002", "127.0.1.255", 2222, true},
                                      {"CAM00003", "127.0.2.0", 3333, true}});
    Fleet fleet;
    ASSERT_TRUE(ParseFleet(WriteJson(out), fleet, error)) << error;
    ASSERT_EQ(fleet.groups.size(), 1u);
    ASSERT_EQ(fleet.groups[0].cameras.size(), 6u);
    const CameraRecord& last = fleet.groups[0].cameras[5].record;
    EXPECT_EQ(last.serial, "CAM00003");
    EXPECT_EQ(last.channelNo, 2);
    EXPECT_EQ(last.devip, "127.0.2.0");
    EXPECT_EQ(last.port, 3333);
    EXPECT_EQ(last.passwd, "pw");

    specs.clear();
    ASSERT_TRUE(GenerateCameraSpecs(12, "CAM", "pw", "", 9000, 1, specs, error));
    EXPECT_EQ(specs[11].address, "127.0.0.1");
    EXPECT_EQ(specs[11].port, 9011);
    EXPECT_EQ(specs[9].wifiNetworks, 30);
    EXPECT_EQ(specs[8].wifiNetworks, 8);

    EXPECT_FALSE(GenerateCameraSpecs(2, "CAM", "pw", "10.0.0.1", 8000, 1, specs, error));
    EXPECT_FALSE(GenerateCameraSpecs(10, "CAM", "pw", "", 65530, 1, specs, error));
}

const char* kFleet = R"({"groups": [
  {"groupName": "Lobby", "groupId": "g1", "cameras": [
    {"serial": "A1", "devname": "Door", "devip": "127.0.0.1", "passwd": "pw", "port": 0,
     "channelNo": 2},
    {"serial": "A1", "channelNo": 5, "passwd": "ignored",
     "device": {"channels": 3, "password": "real", "wifiNetworks": 25,
                "faults": {"failItem": 8, "delayMs": 10, "forgetItem": 7, "failRead": "range"}}},
    {"serial": "B2", "devip": "", "port": 8000, "passwd": "x",
     "device": {"address": "127.0.9.9", "port": 0, "faults": {"absent": true}}}]}]})";

TEST(CameraSpecFleet, OneCameraPerSerialWithTheChannelsListedAndDeviceMembers) {
    Fleet fleet;
    std::string error;
    ASSERT_TRUE(ParseFleet(kFleet, fleet, error)) << error;
    std::vector<CameraSpec> specs;
    ASSERT_TRUE(CameraSpecsFromFleet(fleet, specs, error)) << error;
    ASSERT_EQ(specs.size(), 2u);
    const CameraFaults& faults = specs[0].faults;
    EXPECT_EQ(specs[0].serial, "A1");
    EXPECT_EQ(specs[0].password, "real");
    EXPECT_EQ(specs[0].wifiNetworks, 25);
    EXPECT_EQ(faults.failItem, 8);
    EXPECT_EQ(faults.delayMs, 10);
    EXPECT_EQ(faults.forgetItem, 7);
    EXPECT_EQ(faults.failRead, "range");
    EXPECT_EQ(specs[0].channels, (std::vector<int32_t>{1, 2, 3, 5}));
    EXPECT_EQ(specs[1].address, "127.0.9.9");
    EXPECT_EQ(specs[1].port, 0);
    EXPECT_TRUE(specs[1].faults.absent);
    EXPECT_EQ(specs[1].channels, (std::vector<int32_t>{0}));

    // The studio's fleet: ports the cameras really got, except where the device chose its own.
    std::vector<CameraEndpoint> endpoints = {{"A1", "127.0.0.1", 40001, true},
                                             {"B2", "127.0.9.9", 40002, false}};
    Json::Value out = FleetForStudio(fleet, specs, endpoints);
    const Json::Value& cameras = out["groups"][0]["cameras"];
    std::string places;
    for (const Json::Value& camera : cameras) {
        places += camera["devip"].asString() + ":" + std::to_string(camera["port"].asInt()) + " ";
    }
    EXPECT_EQ(places, "127.0.0.1:40001 127.0.0.1:40001 :8000 ");
    Fleet reread;
    EXPECT_TRUE(ParseFleet(WriteJson(out), reread, error)) << error;
}

TEST(CameraSpecFleet, DeviceMembersOfTheWrongKindAreNamed) {
    for (const char* device :
         {R"({"channels": "4"})", R"({"channels": 0})", R"({"faults": {"absent": 1}})",
          R"({"faults": {"failRead": "disk"}})", R"({"faults": {"forgetItem": "8"}})",
          R"({"port": 70000})", R"("text")"}) {
        Fleet fleet;
        std::string error;
        const std::string text =
            std::string(R"({"groups": [{"groupName": "G", "groupId": "g", "cameras": [)") +
            R"({"serial": "A1", "device": )" + device + "}]}]}";
        ASSERT_TRUE(ParseFleet(text, fleet, error)) << error;
        std::vector<CameraSpec> specs;
        EXPECT_FALSE(CameraSpecsFromFleet(fleet, specs, error)) << device;
        EXPECT_EQ(error.rfind("groups[0].cameras[0].device", 0), 0u) << error;
    }
}

}  // namespace
}  // namespace orvex::lab
