// The login to the camera a record names, through the device library driver its kind selects:
// ONVIF for a devType of "ONVIF" (any letter case), the device protocol otherwise.
#pragma once

#include <cstdint>

#include "devcfg/camera_record.h"
#include "platform/rprov/rprov_records.h"

namespace orvex {

// Logs in to `camera` (its address, port, password and, for ONVIF, its user name). True with
// `handle` and `info` set, as RPROV_Login_Dev. Any thread.
bool LoginCamera(const CameraRecord& camera, int32_t& handle, LoginDeviceInfo& info);

}  // namespace orvex
