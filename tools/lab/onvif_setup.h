// Where the lab's ONVIF cameras come from ("--camera kind=onvif,...", "--count N --kind onvif",
// fleet cameras whose devType is ONVIF), their fault words, and the JSON of their events.
#pragma once

#include <json/json.h>

#include <string>
#include <vector>

#include "tools/lab/cameras_device.h"
#include "tools/lab/fleet.h"
#include "tools/lab/onvif_camera.h"

namespace orvex::lab::onvif {

// Applies one fault word: "refuse-login", "wrong-password", "silent", "absent", "delay=MS",
// "fail-op=NAME", "drop-on-op=NAME", "skew=SECONDS", "unsupported=SERVICE", "no-wifi",
// "no-osd", "no-analytics", "nonce-reuse", "http-digest", or "none" (clears every fault). False,
// with `error`, otherwise.
bool ApplyFaultWord(const std::string& word, OnvifFaults& faults, std::string& error);

// True for a "--camera" text that describes an ONVIF camera (it holds "kind=onvif").
bool IsOnvifCameraText(const std::string& text);
// Reads "kind=onvif,serial=S,address=A,port=P,user=U,password=W,channels=N,wifi=N,name=T"
// plus "discovery" and fault words. False, with `error`, for anything else.
bool ParseSetup(const std::string& text, OnvifSetup& setup, std::string& error);
// An ONVIF camera at the place and with the password and channels of a device-protocol setup.
OnvifSetup FromCameraSetup(const CameraSetup& camera);

// Splits a fleet by camera kind: cameras whose "devType" is "ONVIF" (any case) go to `onvif`.
void SplitFleet(const Fleet& fleet, Fleet& others, Fleet& onvif);
// The ONVIF cameras of a fleet holding only such cameras. Their "device" member reads as for the
// device-protocol cameras, with "discovery" (boolean), "userName" (also on the camera object;
// default "admin") and "faults" members "refuseLogin", "wrongPassword", "silent", "absent",
// "noWifi", "noOsd", "noAnalytics", "nonceReuse", "httpDigest" (booleans), "delayMs", "skewSeconds"
// (integers), "failOp", "dropOnOp" (texts) and "unsupported" (array of service names).
bool SetupsFromFleet(const Fleet& fleet, std::vector<OnvifSetup>& setups,
                     std::vector<CameraSetup>& generic, std::string& error);

// A fleet of both kinds: the device-protocol cameras' setups to `setups`, the ONVIF cameras'
// to `onvifSetups` and `onvifGeneric` as SetupsFromFleet gives them. Pure; any thread.
bool SetupsFromMixedFleet(const Fleet& fleet, std::vector<CameraSetup>& setups,
                          std::vector<OnvifSetup>& onvifSetups,
                          std::vector<CameraSetup>& onvifGeneric, std::string& error);

Json::Value FaultsJson(const OnvifFaults& faults);
// A whole "counters" event.
Json::Value CountersJson(const std::string& serial, const OnvifCounters& counters);
// A whole "config" event: what the camera holds now.
Json::Value ConfigJson(const OnvifCamera& camera);

}  // namespace orvex::lab::onvif
