// LabCameras: lab cameras served in-process on ephemeral loopback ports, with the records the
// program would be given for them, for the tests of the device operations.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devcfg/camera_record.h"
#include "platform/net/tcp_socket.h"
#include "platform/rprov/rprov_agent.h"
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

class LabCameras {
  public:
    explicit LabCameras(std::vector<lab::CameraSetup> setups)
        : root_(NewRoot()), fleet_(root_, /*syncWrites=*/false) {
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
    static std::string NewRoot() {
        static std::atomic<int> counter{0};
        return ::testing::TempDir() + "lab_cameras_" + std::to_string(::getpid()) + "_" +
               std::to_string(counter++);
    }

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

}  // namespace orvex::testing
