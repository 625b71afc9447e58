#include "tools/lab/world_fleet.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tools/lab/cameras_setup.h"

namespace orvex::lab {
namespace {

constexpr int kLargeGroup = 25;        // three pages of ten in the page's camera table
constexpr size_t kForgetfulGroup = 4;  // 周界, away from the groups the demo and tests issue to
constexpr int kForgottenItem = 8;      // the colour item, part of nearly every issue

struct GroupName {
    const char* name;    // as the studio shows it
    const char* short_;  // camera names: short name and number
    const char* id;
};

const GroupName kGroupNames[] = {
    {"一号楼大厅", "大厅", "g-lobby"}, {"地下停车场", "停车场", "g-parking"},
    {"仓库", "仓库", "g-warehouse"},   {"办公区", "办公室", "g-offices"},
    {"周界", "周界", "g-perimeter"},   {"机房", "机房", "g-server-room"},
};

std::string Numbered(const char* format, int n) {
    char text[64];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

// The world's ONVIF cameras (`placed` holds their addresses, in order) into `groups`: the first
// two into the third and fourth groups when there are four or more, the rest into their own.
// The fourth asks for HTTP Digest.
constexpr int kDigestCamera = 4;

void AddOnvifCameras(const WorldLayout& layout, const std::vector<CameraSetup>& placed,
                     Json::Value& groups) {
    const int count = static_cast<int>(placed.size());
    const int mixed = count >= 4 ? 2 : 0;
    Json::Value own;
    own["groupName"] = "园区（ONVIF）";
    own["groupId"] = "g-onvif";
    own["cameras"] = Json::Value(Json::arrayValue);
    for (int k = 1; k <= count; ++k) {
        const CameraSetup& setup = placed[static_cast<size_t>(k - 1)];
        Json::Value camera;
        camera["serial"] = layout.onvifPrefix + Numbered("%05d", k);
        camera["devname"] = Numbered("ONVIF-%02d", k);
        camera["devip"] = setup.address;
        camera["port"] = setup.port;
        camera["passwd"] = layout.password;
        camera["devType"] = "ONVIF";
        camera["userName"] = "admin";
        camera["channelNo"] = 1;
        camera["iPlatform"] = 0;
        camera["encrypt"] = true;
        camera["newDev"] = false;
        camera["CheckPassword"] = false;
        camera["device"]["password"] = layout.password;
        if (k == kDigestCamera) {
            // One camera of the ONVIF group guards its services with HTTP Digest, as some
            // firmware does, so that every pass to the group answers a challenge.
            camera["device"]["faults"]["httpDigest"] = true;
        }
        if (k <= mixed) {
            const Json::ArrayIndex target =
                std::min<Json::ArrayIndex>(static_cast<Json::ArrayIndex>(k + 1), groups.size() - 1);
            groups[target]["cameras"].append(camera);
        } else {
            own["cameras"].append(camera);
        }
    }
    if (!own["cameras"].empty()) {
        groups.append(own);
    }
}

}  // namespace

std::vector<int> WorldGroupSizes(int cameras, int groups) {
    std::vector<int> sizes;
    if (groups < 1 || cameras < groups) {
        return sizes;
    }
    int rest = cameras;
    if (groups > 1 && cameras >= kLargeGroup + groups - 1) {
        sizes.push_back(kLargeGroup);
        rest -= kLargeGroup;
    }
    const int left = groups - static_cast<int>(sizes.size());
    for (int g = 0; g < left; ++g) {
        sizes.push_back(rest / left + (g < rest % left ? 1 : 0));
    }
    return sizes;
}

bool MakeWorldFleet(const WorldLayout& layout, Json::Value& fleet, std::string& error) {
    if (layout.cameras < 1 || layout.cameras > 4096 || layout.groups < 1 || layout.groups > 64 ||
        layout.groups > layout.cameras || layout.onvifCameras < 0 || layout.onvifCameras > 1024) {
        error =
            "the world takes 1 to 4096 cameras in 1 to 64 groups, at least one camera a group, "
            "and 0 to 1024 ONVIF cameras";
        return false;
    }
    // One run of addresses (or ports) for all, so that the ONVIF cameras follow the others.
    std::vector<CameraSetup> setups;
    if (!GenerateCameraSetups(layout.cameras + layout.onvifCameras, layout.prefix, layout.password,
                              layout.baseAddress, layout.port, 1, setups, error)) {
        return false;
    }
    const std::vector<int> sizes = WorldGroupSizes(layout.cameras, layout.groups);

    // The faults, by camera number: the second group's second and fourth cameras, the last, and
    // the first camera of the fifth group (of the last from the third on, in smaller worlds).
    int changedPassword = 0;
    int forgetful = 0;
    std::vector<int> absent;
    if (sizes.size() >= 2) {
        const int second = sizes[0] + 1;  // the second group's first camera
        if (sizes[1] >= 2) {
            changedPassword = second + 1;
        }
        if (sizes[1] >= 4) {
            absent.push_back(second + 3);
        }
    }
    if (layout.cameras >= 2 && layout.cameras != changedPassword &&
        (absent.empty() || absent.back() != layout.cameras)) {
        absent.push_back(layout.cameras);
    }
    auto isAbsent = [&](int n) {
        for (int a : absent) {
            if (a == n) {
                return true;
            }
        }
        return false;
    };
    if (sizes.size() >= 3) {
        const size_t group = std::min<size_t>(kForgetfulGroup, sizes.size() - 1);
        int first = 1;
        for (size_t g = 0; g < group; ++g) {
            first += sizes[g];
        }
        // The fault shows only on a camera that answers sets, so never on an absent one.
        if (!isAbsent(first)) {
            forgetful = first;
        }
    }

    fleet = Json::Value(Json::objectValue);
    Json::Value& groups = fleet["groups"] = Json::Value(Json::arrayValue);
    int n = 0;
    for (size_t g = 0; g < sizes.size(); ++g) {
        const bool named = g < std::size(kGroupNames);
        Json::Value group;
        group["groupName"] =
            named ? kGroupNames[g].name : Numbered("分组 %d", static_cast<int>(g + 1));
        group["groupId"] = named ? kGroupNames[g].id : Numbered("g-%d", static_cast<int>(g + 1));
        Json::Value& cameras = group["cameras"] = Json::Value(Json::arrayValue);
        for (int i = 1; i <= sizes[g]; ++i) {
            const CameraSetup& setup = setups[static_cast<size_t>(n)];
            ++n;
            const bool faulty = n == changedPassword || n == forgetful || isAbsent(n);
            const bool unconfirmed = !faulty && n % 9 == 5;
            Json::Value camera;
            camera["serial"] = setup.serial;
            camera["devname"] =
                std::string(named ? kGroupNames[g].short_ : "摄像机") + Numbered("-%02d", i);
            camera["devip"] = setup.address;
            camera["port"] = setup.port;
            camera["passwd"] = unconfirmed ? "" : layout.password;
            camera["devType"] = "IPC";
            camera["channelNo"] = 1;
            camera["iPlatform"] = n % 3 == 0 ? 1 : 0;
            camera["encrypt"] = true;
            camera["newDev"] = false;
            camera["CheckPassword"] = unconfirmed;
            Json::Value device(Json::objectValue);
            device["password"] = layout.password;
            device["wifiNetworks"] = setup.wifiNetworks;
            if (n == changedPassword) {
                device["password"] = layout.password + "-changed";
            }
            if (isAbsent(n)) {
                device["faults"]["absent"] = true;
            }
            if (n == forgetful) {
                device["faults"]["forgetItem"] = kForgottenItem;
            }
            camera["device"] = device;
            cameras.append(camera);
        }
        groups.append(group);
    }
    AddOnvifCameras(layout, std::vector<CameraSetup>(setups.begin() + layout.cameras, setups.end()),
                    groups);
    return true;
}

}  // namespace orvex::lab
