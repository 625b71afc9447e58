// OnvifLab: lab ONVIF cameras served in-process on ephemeral loopback ports, with the camera
// records the program would be given for them, for the tests of the ONVIF driver.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "devcfg/camera_record.h"
#include "tests/devices/lab_cameras.h"
#include "tools/lab/onvif_server.h"

namespace orvex::testing {

// A lab ONVIF camera on 127.0.0.1 with a port chosen when it starts.
inline lab::onvif::OnvifSetup OnvifCamera(const std::string& serial,
                                          const std::string& password = "onvif-pw",
                                          std::vector<int> channels = {1}) {
    lab::onvif::OnvifSetup setup;
    setup.serial = serial;
    setup.name = "onvif " + serial;
    setup.address = "127.0.0.1";
    setup.port = 0;
    setup.password = password;
    setup.channels = std::move(channels);
    setup.faults.allowNonceReuse = false;
    return setup;
}

class OnvifLab {
  public:
    explicit OnvifLab(std::vector<lab::onvif::OnvifSetup> setups)
        : root_(NewLabRoot("onvif_lab_")), fleet_(root_, /*syncWrites=*/false) {
        std::string error;
        started_ = fleet_.start(std::move(setups), error);
        EXPECT_TRUE(started_) << error;
        for (const lab::onvif::OnvifEndpoint& e : fleet_.endpoints()) {
            ports_[e.serial] = e.port;
        }
    }
    ~OnvifLab() {
        fleet_.stop();
        std::filesystem::remove_all(root_);
    }
    OnvifLab(const OnvifLab&) = delete;
    OnvifLab& operator=(const OnvifLab&) = delete;

    int32_t port(const std::string& serial) const { return ports_.at(serial); }
    lab::onvif::OnvifCamera& camera(const std::string& serial) { return *fleet_.camera(serial); }
    lab::onvif::CameraState state(const std::string& serial) {
        return fleet_.camera(serial)->state();
    }
    void setFaults(const std::string& serial, const lab::onvif::OnvifFaults& faults) {
        std::string error;
        EXPECT_TRUE(fleet_.setFaults(serial, faults, error)) << error;
    }

    // The studio's record of one channel of an ONVIF camera.
    CameraRecord record(const std::string& serial, int32_t channelNo = 1) const {
        CameraRecord r;
        r.serial = serial;
        r.devname = "onvif " + serial;
        r.devip = "127.0.0.1";
        r.port = ports_.at(serial);
        r.passwd = fleet_.camera(serial)->setup().password;
        r.devType = "onvif";
        r.channelNo = channelNo;
        return r;
    }

  private:
    std::string root_;
    lab::onvif::OnvifFleet fleet_;
    bool started_ = false;
    std::map<std::string, int32_t> ports_;
};

}  // namespace orvex::testing
