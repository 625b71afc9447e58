// OnvifDriver: the device library's calls carried out on an ONVIF camera: the login (clock,
// services, serial), the channel read the records are mapped from, the Wi-Fi scan and the set
// of one configuration item.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/onvif/onvif_device.h"
#include "platform/onvif/onvif_soap.h"
#include "platform/rprov/rprov_onvif_channel.h"
#include "platform/rprov/rprov_records.h"

namespace orvex::rprov {

// The outcome of one driver call: a failure class and the text the caller shows.
struct DriverResult {
    onvif::Failure failure = onvif::Failure::kNone;
    std::string message;
    bool ok() const { return failure == onvif::Failure::kNone; }
};

// One logged-in ONVIF camera. Calls on one driver take turns (the caller holds the handle's
// lock); drivers of different cameras run in parallel from any threads.
class OnvifDriver {
  public:
    OnvifDriver(const std::string& host, int32_t port, const std::string& user,
                const std::string& password, onvif::HttpLimits limits);

    // Reads the camera's clock, its services and its device information; fills `info`.
    DriverResult login(LoginDeviceInfo& info);
    // The channel's record; kWrongSerial when `serial` is not the camera's.
    DriverResult getConfig(const std::string& serial, int32_t channelNo, DeviceConfig& config);
    DriverResult getRange(const std::string& serial, int32_t channelNo, ConfigRange& range);
    DriverResult getWifi(WifiScanList& list);
    // Sends what `block` changes of item `item`, reading the camera's settings first.
    DriverResult setItem(int32_t item, int32_t channelNo, const uint8_t* block);

  private:
    // Which parts of a channel a call needs.
    enum Parts : unsigned {
        kStreams = 1,
        kNtp = 2,
        kWifi = 4,
        kImaging = 8,
        kOsd = 16,
        kMotion = 32,
        kOptions = 64,
        kAll = 127
    };
    DriverResult readChannel(int32_t channelNo, unsigned parts, OnvifChannel& channel);
    DriverResult checkSerial(const std::string& serial) const;
    DriverResult apply(int32_t item, const OnvifChannel& channel, std::span<const uint8_t> block);

    onvif::SoapClient client_;
    onvif::ServicePaths paths_;
    onvif::DeviceInformation device_;
};

}  // namespace orvex::rprov
