// LabCameras: lab cameras served in-process on ephemeral loopback ports, with the records the
// program would be given for them, for the tests of the device operations.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devcfg/camera_record.h"
#include "devcfg/config_items.h"
#include "platform/net/tcp_socket.h"
#include "platform/rprov/rprov_agent.h"
#include "studio/data_manager.h"
#include "support/json_text.h"
#include "tools/lab/cameras_server.h"

namespace orvex::testing {

// A camera setup on 127.0.0.1 with a port chosen when it starts.
inline lab::CameraSetup LabCamera(const std::string& serial, const std::string& password = "pw",
                                  std::vector<int32_t> channels = {1}) {
    lab::CameraSetup setup;
    setup.serial = serial;
    setup.name = "camera " + serial;
    setup.address = "127.0.0.1";
    setup.port = 0;
    setup.password = password;
    setup.channels = std::move(channels);
    return setup;
}

// A fresh folder name under the test's temporary folder, for a lab's state.
inline std::string NewLabRoot(const std::string& prefix) {
    static std::atomic<int> counter{0};
    return ::testing::TempDir() + prefix + std::to_string(::getpid()) + "_" +
           std::to_string(counter++);
}

class LabCameras {
  public:
    explicit LabCameras(std::vector<lab::CameraSetup> setups)
        : root_(NewLabRoot("lab_cameras_")), fleet_(root_, /*syncWrites=*/false) {
        std::string error;
        started_ = fleet_.start(std::move(setups), error);
        EXPECT_TRUE(started_) << error;
        for (const lab::CameraEndpoint& e : fleet_.endpoints()) {
            ports_[e.serial] = e.port;
        }
    }
    ~LabCameras() {
        fleet_.stop();
        std::filesystem::remove_all(root_);
    }
    LabCameras(const LabCameras&) = delete;
    LabCameras& operator=(const LabCameras&) = delete;

    bool started() const { return started_; }
    int32_t port(const std::string& serial) const { return ports_.at(serial); }
    lab::LabCamera& camera(const std::string& serial) { return *fleet_.camera(serial); }
    void setFaults(const std::string& serial, const lab::CameraFaults& faults) {
        fleet_.setFaults(serial, faults);
    }

    // The studio's record of one channel: where to reach it and the password it was given.
    CameraRecord record(const std::string& serial, int32_t channelNo = 1) const {
        CameraRecord r;
        r.serial = serial;
        r.devname = "camera " + serial;
        r.devip = "127.0.0.1";
        r.port = ports_.at(serial);
        r.passwd = fleet_.camera(serial)->setup().password;
        r.devType = "IPC";
        r.channelNo = channelNo;
        return r;
    }
    // The same as the page's camera object.
    std::string request(const std::string& serial, int32_t channelNo = 1) const {
        return WriteJson(WriteCameraObject(record(serial, channelNo)));
    }

    // The 80,280 bytes the camera keeps for a channel, read from its state file.
    std::unique_ptr<DeviceConfig> stored(const std::string& serial, int32_t channelNo = 1) const {
        std::ifstream in(root_ + "/" + serial + "/channel-" + std::to_string(channelNo) + ".cfg",
                         std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(bytes.size(), DeviceConfig::kSize);
        auto record = std::make_unique<DeviceConfig>();
        std::copy_n(bytes.begin(), std::min(bytes.size(), DeviceConfig::kSize), record->data());
        return record;
    }

  private:
    std::string root_;
    lab::CameraFleet fleet_;
    bool started_ = false;
    std::map<std::string, int32_t> ports_;
};

// Shortens the device library's limits for the test's life, so a camera that never answers
// costs little time.
class ShortDeviceLimits {
  public:
    ShortDeviceLimits(int32_t connectMs = 500, int32_t requestMs = 1500) {
        RPROV_SetLimits(connectMs, requestMs);
    }
    ~ShortDeviceLimits() { RPROV_SetLimits(0, 0); }
};

// A port nothing listens on: connections to it are refused.
inline int32_t RefusingPort() {
    net::Socket probe = net::ListenTcp("127.0.0.1", 0);
    return net::LocalPort(probe);  // closed when `probe` goes
}

// Another client of the camera edits a channel's record and sends the blocks of `items`, behind
// the program's back: the program's cached record is left stale.
inline void EditBehindTheStore(const CameraRecord& r, std::initializer_list<int32_t> items,
                               const std::function<void(DeviceConfig&)>& edit) {
    int32_t handle = -1;
    LoginDeviceInfo info;
    ASSERT_TRUE(RPROV_Login_Dev(r.devip, r.port, r.passwd, handle, info, false));
    auto config = std::make_unique<DeviceConfig>();
    ASSERT_TRUE(RPROV_GetConfig(handle, r.serial, r.channelNo, *config));
    edit(*config);
    std::string message;
    for (int32_t item : items) {
        EXPECT_TRUE(
            RPROV_SetConfig_To_Dev(handle, item, r.channelNo, config->block(item).data(), message))
            << message;
    }
    RPROV_Logout_Dev(handle);
}

// `before` with the issued configuration's items `codes` (every item of its mask when none are
// named) written as the worker sends them: what a camera holds after taking the issue.
inline std::unique_ptr<DeviceConfig> AfterIssue(const DeviceConfig& before,
                                                const IssuedConfig& issued,
                                                std::vector<int32_t> codes = {}) {
    if (codes.empty()) {
        for (const IssueItem& item : IssueItems()) {
            if (issued.sectionMask & item.sectionBit) {
                codes.insert(codes.end(), item.codes, item.codes + item.codeCount);
            }
        }
    }
    auto after = std::make_unique<DeviceConfig>(before);
    for (int32_t code : codes) {
        WriteConfigItem(code, issued, 1, *after);
    }
    return after;
}

// The JSON value of `text`, which must be JSON.
inline Json::Value Parse(const std::string& text) {
    Json::Value value;
    EXPECT_TRUE(ParseJson(text, value)) << text;
    return value;
}

// The texts `items`, each already JSON, as one JSON array.
inline std::string JsonList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) {
        list += (list.empty() ? "[" : ",") + item;
    }
    return list.empty() ? "[]" : list + "]";
}

// A camera's result items as "name: state, ...": a failed item's cause (with its moreInfo in
// brackets when `withInfo`), else verified, unverified, or unchecked when it was not read back.
inline std::string ItemStates(const Json::Value& camera, bool withInfo = false) {
    std::string out;
    for (const Json::Value& item : camera["syncInfo"]) {
        const std::string state =
            item["isSuccess"].asBool()
                ? (!item.isMember("verified")  ? "unchecked"
                   : item["verified"].asBool() ? "verified"
                                               : "unverified")
                : item["cause"].asString() +
                      (withInfo ? " (" + item["moreInfo"].asString() + ")" : "");
        out += (out.empty() ? "" : ", ") + item["itemName"].asString() + ": " + state;
    }
    return out;
}

// A test that starts and ends with an empty store and short device limits.
class FreshStoreTest : public ::testing::Test {
  protected:
    FreshStoreTest() { store.resetForTesting(); }
    ~FreshStoreTest() override { store.resetForTesting(); }

    ShortDeviceLimits limits{500, 1200};
    DataManager& store = DataManager::instance();
};

}  // namespace orvex::testing
