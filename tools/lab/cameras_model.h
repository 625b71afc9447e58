// What a lab camera holds when it is first made: a realistic DeviceConfig per channel, the
// ConfigRange that matches it, and the Wi-Fi networks it sees. Everything derives from the
// serial and channel, so a camera made twice is the same camera.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rprov/rprov_records.h"

namespace orvex::lab {

// A channel's first configuration: plausible codecs, resolutions, bitrates, OSD flags, colour
// values and Wi-Fi settings inside MakeConfigRange's ranges; every byte the program does not
// interpret holds device data of its own (not zeros). Any thread.
std::unique_ptr<DeviceConfig> MakeDeviceConfig(const std::string& serial, int32_t channelNo);

// The ranges and choices of a channel. Any thread.
ConfigRange MakeConfigRange(const std::string& serial, int32_t channelNo);

// The networks a camera sees: the count says `networks` (which may exceed the 20 entries the
// list holds); the entries hold the first 20 names. Any thread.
WifiScanList MakeWifiList(const std::string& serial, int networks);

// The name of network i (0-based) as MakeWifiList writes it. Any thread.
std::string WifiNetworkName(const std::string& serial, int i);

}  // namespace orvex::lab
