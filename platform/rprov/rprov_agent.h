// RprovAgent: the device library's call contract. Each login handle owns one TCP connection to a
// camera speaking the protocol of platform/rprov/PROTOCOL.md. Every function is safe to call
// from any thread; different handles work in parallel, calls on one handle take turns. A
// time-out, a dropped connection or a malformed answer gives false, never a hang.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rprov/rprov_records.h"

// Prepares the library: reads the limits from the environment now rather than at first use.
// The other functions also work without it. Always true.
bool RPROV_Init();

// Logs in to the camera at `devip` (dotted IPv4) and `port` with `passwd` (which never leaves
// this process: the login is challenge–response). On success sets `handle` to a small positive
// number and fills `info` (the device name and its serial); on failure leaves both as they
// were. `newDev` travels with the login.
bool RPROV_Login_Dev(const std::string& devip, int32_t port, const std::string& passwd,
                     int32_t& handle, orvex::LoginDeviceInfo& info, bool newDev);

// The protocols a camera may speak: the device protocol of PROTOCOL.md, or ONVIF (SOAP over
// HTTP; platform/onvif/MAPPING.md says how its settings map onto the records).
enum RprovProtocol : int32_t {
    RPROV_PROTOCOL_DEVICE = 0,
    RPROV_PROTOCOL_ONVIF = 1,
};

// RPROV_Login_Dev for a camera of `protocol`. An ONVIF camera is logged in as `userName` with
// WS-UsernameToken digests (the password never crosses the wire), its clock skew corrected;
// `info` receives its model and the serial of GetDeviceInformation. The handle remembers the
// protocol: every later call on it goes to the same driver. `userName` is not used by the
// device protocol, `newDev` not by ONVIF. Any thread.
bool RPROV_Login_DevAs(int32_t protocol, const std::string& devip, int32_t port,
                       const std::string& userName, const std::string& passwd, int32_t& handle,
                       orvex::LoginDeviceInfo& info, bool newDev);

// Logs out and closes the handle's connection. False for a handle that is not open.
bool RPROV_Logout_Dev(int32_t handle);

// Reads channel `channelNo` of the camera with serial `serial`. True = the whole record was
// filled; on false the record is unchanged.
bool RPROV_GetConfig(int32_t handle, const std::string& serial, int32_t channelNo,
                     orvex::DeviceConfig& config);

// Reads the ranges of a channel. True = `range` was replaced by the camera's ranges.
bool RPROV_GetCfgRange(int32_t handle, const std::string& serial, int32_t channelNo,
                       orvex::ConfigRange& range);

// Reads the Wi-Fi networks the camera sees. True = the whole list was filled (its count is the
// camera's, possibly above 20); `text` receives the camera's message.
bool RPROV_GetWifi(int32_t handle, std::string& text, orvex::WifiScanList& list);

// Sends one configuration item: `block` points to the item's block of exactly the item's size
// (orvex::ConfigItemSize). True = the camera accepted it. `message` receives the camera's
// message, or the library's own when no answer came.
bool RPROV_SetConfig_To_Dev(int32_t handle, int32_t itemType, int32_t channelNo, const void* block,
                            std::string& message);

// Why the calling thread's last RPROV_* call gave false (RPROV_ERR_NONE after a true result).
// Each function sets it before returning, so it must be read right after the failed call.
enum RprovError : int32_t {
    RPROV_ERR_NONE = 0,
    RPROV_ERR_CONNECT = 1,       // no connection to the device could be made
    RPROV_ERR_TIMEOUT = 2,       // the device did not answer in time
    RPROV_ERR_CLOSED = 3,        // the device closed the connection, or an earlier call broke it
    RPROV_ERR_MALFORMED = 4,     // the device's answer was not valid
    RPROV_ERR_AUTH = 5,          // the password was refused, or the device could not prove it
    RPROV_ERR_REFUSED = 6,       // the device accepts no login now
    RPROV_ERR_WRONG_SERIAL = 7,  // the device is not the serial asked for
    RPROV_ERR_UNSUPPORTED = 8,   // the device does not know the operation or item
    RPROV_ERR_DEVICE = 9,        // the device refused the request; its message says why
    RPROV_ERR_ARGUMENT = 10,     // not an open handle, or an argument the library cannot send
};
int32_t RPROV_GetLastError();

// Library setting: the connect time-out and the time-out of each request, in milliseconds
// (defaults 3000 and 10000; a value of 0 or less restores the default). When this is never
// called, the environment variables RPROV_CONNECT_TIMEOUT_MS and RPROV_REQUEST_TIMEOUT_MS are
// read once, at RPROV_Init or the first login. Meant for tests; the program never sets them.
void RPROV_SetLimits(int32_t connectTimeoutMs, int32_t requestTimeoutMs);
