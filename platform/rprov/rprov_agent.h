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
// number and fills `info` (the device name in its leading text); on failure leaves both as they
// were. `newDev` travels with the login.
bool RPROV_Login_Dev(const std::string& devip, int32_t port, const std::string& passwd,
                     int32_t& handle, orvex::LoginDeviceInfo& info, bool newDev);

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

// Library setting: the connect time-out and the time-out of each request, in milliseconds
// (defaults 3000 and 10000; a value of 0 or less restores the default). When this is never
// called, the environment variables RPROV_CONNECT_TIMEOUT_MS and RPROV_REQUEST_TIMEOUT_MS are
// read once, at RPROV_Init or the first login. Meant for tests; the program never sets them.
void RPROV_SetLimits(int32_t connectTimeoutMs, int32_t requestTimeoutMs);
