// Where the lab's cameras come from: "--camera" texts, generated fleets, and the "device"
// members of fleet-file cameras; and the fleet to hand to the studio role once the cameras
// listen (with the ports they really got).
#pragma once

#include <json/json.h>

#include <string>
#include <vector>

#include "tools/lab/cameras_device.h"
#include "tools/lab/cameras_server.h"
#include "tools/lab/fleet.h"

namespace orvex::lab {

// Applies one fault word to `faults`: "refuse-login", "wrong-password", "silent", "absent",
// "delay=MS", "fail-item=CODE", "drop-on-item=CODE", "forget-item=CODE",
// "fail-read=config|range|wifi", or "none" (clears every fault). False, with `error`, for
// anything else.
bool ApplyFaultWord(const std::string& word, CameraFaults& faults, std::string& error);

// Reads a camera from "serial=S,address=A,port=P,password=W,channels=N,wifi=N,name=T" followed
// by fault words, all separated by commas. Channels are numbered 1 to N. False, with `error`,
// for an unknown key or a bad number.
bool ParseCameraSetup(const std::string& text, CameraSetup& setup, std::string& error);

// `count` cameras with serials PREFIX00001, PREFIX00002, ..., each with `channels` channels.
// With `baseAddress` "127.0.x.y" each camera gets the next loopback address from it on `port`;
// otherwise all listen on 127.0.0.1, each on its own port (`port` 0: chosen at start, else
// port, port + 1, ...). Every tenth camera sees 30 networks. False when the addresses or ports
// would run out.
bool GenerateCameraSetups(int count, const std::string& prefix, const std::string& password,
                          const std::string& baseAddress, int32_t port, int channels,
                          std::vector<CameraSetup>& setups, std::string& error);

// One camera per serial of the fleet. A camera object's optional "device" member: "address"
// and "port" (default: "devip", or 127.0.0.1 when it is empty, and "port"), "password"
// (default "passwd"), "name" (default "devname"), "channels" (N: channels 1 to N are served
// besides every "channelNo" listed for the serial), "wifiNetworks", and "faults" with
// "refuseLogin", "wrongPassword", "silent", "absent" (booleans), "delayMs", "failItem",
// "dropOnItem", "forgetItem" (integers) and "failRead" (text). The first object of a serial that
// has a "device" member gives the device; the others only add channels.
bool CameraSetupsFromFleet(const Fleet& fleet, std::vector<CameraSetup>& setups,
                           std::string& error);

// The fleet file text for the studio role: `fleet` (or, when it has no groups, one group
// "Lab cameras" with every channel of `setups`) with each camera's "devip" and "port" set to
// where its camera really listens, unless its "device" member named an address or port.
Json::Value FleetForStudio(const Fleet& fleet, const std::vector<CameraSetup>& setups,
                           const std::vector<CameraEndpoint>& endpoints);

}  // namespace orvex::lab
