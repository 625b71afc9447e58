// Issuing one configuration to one camera: its login and serial check, every item the sections
// ask for, the re-read, and the camera's result object with failure causes and verification.
#pragma once

#include <json/json.h>

#include <atomic>
#include <cstdint>

#include "devcfg/camera_record.h"
#include "devcfg/issue_store.h"
#include "devcfg/issued_config.h"

namespace orvex {

// The camera's result object: "device", "failNum" and "syncInfo", whose failed entries carry
// "cause" and whose accepted entries carry "verified" when the re-read succeeded.
struct CameraIssueResult {
    Json::Value entry;
    int failNum = 0;
};

// Logs in to `camera`, checks that it reports the target's serial, builds every block from a
// record read from this camera after `freshSince` (the store's cached record when it is that
// fresh, otherwise one read in this login), sends the items of `config`'s sections in order,
// logs out and re-reads the camera through the store (so its caches hold what the camera
// now reports). A camera whose record cannot be read, or whose serial is not the target's,
// receives nothing. Once `stop` (when given) is set, no further item is sent (the rest fail with
// the cause "cancelled") and the camera is not read again. Any thread; different cameras may be
// issued at once.
CameraIssueResult IssueToCamera(IssueStore& store, const CameraRecord& camera,
                                const IssuedConfig& config, uint64_t freshSince,
                                const std::atomic<bool>* stop = nullptr);

}  // namespace orvex
