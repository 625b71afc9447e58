#include "tools/lab/world_fleet.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "support/json_text.h"
#include "tools/lab/cameras_spec.h"
#include "tools/lab/fleet.h"

namespace orvex::lab {
namespace {

// The fleet as the cameras role and the studio role read it.
struct ReadWorld {
    Fleet fleet;
    std::vector<CameraSpec> specs;
};

ReadWorld Read(const WorldLayout& layout) {
    Json::Value made;
    std::string error;
    ReadWorld world;
    EXPECT_TRUE(MakeWorldFleet(layout, made, error)) << error;
    EXPECT_TRUE(ParseFleet(WriteJson(made), world.fleet, error)) << error;
    EXPECT_TRUE(CameraSpecsFromFleet(world.fleet, world.specs, error)) << error;
    return world;
}

TEST(WorldFleetTest, GroupSizesGiveOneGroupThreePagesWhenTheOthersCanStillHaveCameras) {
    EXPECT_EQ(WorldGroupSizes(60, 6), (std::vector<int>{25, 7, 7, 7, 7, 7}));
    EXPECT_EQ(WorldGroupSizes(30, 6), (std::vector<int>{25, 1, 1, 1, 1, 1}));
    EXPECT_EQ(WorldGroupSizes(29, 6), (std::vector<int>{5, 5, 5, 5, 5, 4}));
    EXPECT_EQ(WorldGroupSizes(40, 1), (std::vector<int>{40}));
    EXPECT_EQ(WorldGroupSizes(3, 3), (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(WorldGroupSizes(2, 3).empty());
    EXPECT_TRUE(WorldGroupSizes(5, 0).empty());
}

TEST(WorldFleetTest, TheDefaultWorldHasItsMixOfCamerasAndFaults) {
    ReadWorld world = Read(WorldLayout{});
    ASSERT_EQ(world.fleet.groups.size(), 6u);
    ASSERT_EQ(world.specs.size(), 60u);
    std::set<std::string> addresses;
    int platform = 0, unconfirmed = 0, absent = 0, changed = 0, busyAir = 0, forgetful = 0;
    for (const FleetGroup& group : world.fleet.groups) {
        for (const FleetCamera& camera : group.cameras) {
            const CameraRecord& r = camera.record;
            EXPECT_EQ(r.port, 8000);
            addresses.insert(r.devip);
            platform += r.iPlatform != 0;
            if (r.CheckPassword) {
                ++unconfirmed;
                EXPECT_EQ(r.passwd, "");  // the studio has no confirmed password for it
            }
        }
    }
    for (const CameraSpec& spec : world.specs) {
        absent += spec.faults.absent;
        changed += spec.password != "admin123";
        busyAir += spec.wifiNetworks == 30;
        forgetful += spec.faults.forgetItem != 0;
        EXPECT_FALSE(spec.faults.absent && spec.password != "admin123");
    }
    EXPECT_EQ(*addresses.begin(), "127.0.1.1");  // and each camera on its own address:
    EXPECT_EQ(addresses.size(), 60u);
    EXPECT_EQ(platform, 20);
    EXPECT_EQ(unconfirmed, 7);
    EXPECT_EQ(absent, 2);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(busyAir, 6);
    EXPECT_EQ(forgetful, 1);

    // The faults sit where the tests and the demo look for them.
    const FleetGroup& parking = world.fleet.groups[1];
    EXPECT_EQ(parking.groupId, "g-parking");
    EXPECT_EQ(world.specs[26].serial, parking.cameras[1].record.serial);
    EXPECT_EQ(world.specs[26].password, "admin123-changed");
    EXPECT_EQ(parking.cameras[1].record.passwd, "admin123");  // what the studio believes
    EXPECT_TRUE(world.specs[28].faults.absent);
    EXPECT_TRUE(world.specs[59].faults.absent);
    // The forgetful camera: 周界's first, reachable, with the password the studio knows.
    const FleetGroup& perimeter = world.fleet.groups[4];
    const CameraSpec& forgets = world.specs[46];
    EXPECT_EQ(perimeter.groupId, "g-perimeter");
    EXPECT_EQ(perimeter.cameras[0].record.serial, forgets.serial);
    EXPECT_EQ(forgets.faults.forgetItem, 8);
    EXPECT_FALSE(forgets.faults.absent || perimeter.cameras[0].record.CheckPassword);
    EXPECT_EQ(forgets.password, perimeter.cameras[0].record.passwd);
    // The first camera, the studio's current one, is a plain local camera.
    const CameraRecord& first = world.fleet.groups[0].cameras[0].record;
    EXPECT_EQ(first.serial, "OXW00001");
    EXPECT_FALSE(first.CheckPassword);
    EXPECT_EQ(first.iPlatform, 0);
    EXPECT_FALSE(world.specs[0].faults.absent);
}

TEST(WorldFleetTest, SmallWorldsKeepTheirFaultsOnRealCameras) {
    WorldLayout one;
    one.cameras = 1;
    one.groups = 1;
    ReadWorld single = Read(one);
    ASSERT_EQ(single.specs.size(), 1u);
    EXPECT_FALSE(single.specs[0].faults.absent);  // the only camera stays reachable

    WorldLayout two = one;
    two.cameras = 3;
    two.groups = 2;  // the second group is too small for its faults
    ReadWorld small = Read(two);
    ASSERT_EQ(small.specs.size(), 3u);
    EXPECT_TRUE(small.specs[2].faults.absent);
    EXPECT_EQ(small.specs[1].password, "admin123");
    EXPECT_FALSE(small.specs[1].faults.absent);

    // With three groups the last group's first camera forgets, unless it is the absent last one.
    two.cameras = 6;
    two.groups = 3;
    ReadWorld three = Read(two);
    ASSERT_EQ(three.specs.size(), 6u);
    EXPECT_EQ(three.specs[4].faults.forgetItem, 8);
    two.cameras = 3;
    for (const CameraSpec& spec : Read(two).specs) {
        EXPECT_EQ(spec.faults.forgetItem, 0) << spec.serial;
    }
}

TEST(WorldFleetTest, FreePortsOnOneAddressAndBadLayoutsAreRefused) {
    WorldLayout ports;
    ports.cameras = 12;
    ports.groups = 2;
    ports.baseAddress = "";
    ports.port = 0;
    ReadWorld world = Read(ports);
    for (const CameraSpec& spec : world.specs) {
        EXPECT_EQ(spec.address, "127.0.0.1");
        EXPECT_EQ(spec.port, 0);  // chosen when the camera starts
    }

    Json::Value fleet;
    std::string error;
    for (auto [cameras, groups] : {std::pair{0, 1}, {4097, 6}, {10, 0}, {10, 65}, {3, 4}}) {
        WorldLayout bad;
        bad.cameras = cameras;
        bad.groups = groups;
        EXPECT_FALSE(MakeWorldFleet(bad, fleet, error)) << cameras << " in " << groups;
    }
    WorldLayout crowded;
    crowded.baseAddress = "127.255.255.250";
    EXPECT_FALSE(MakeWorldFleet(crowded, fleet, error));
    EXPECT_NE(error.find("loopback"), std::string::npos) << error;
}

}  // namespace
}  // namespace orvex::lab
