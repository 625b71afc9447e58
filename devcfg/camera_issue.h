// Issuing one configuration to one camera: its login and serial check, every item the sections
// ask for, the re-read, and the camera's result object with failure causes and verification.
#pragma once

#include <json/json.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devcfg/camera_record.h"
#include "devcfg/issue_store.h"
#include "devcfg/issued_config.h"

namespace orvex {

// The camera's result object: "device", "failNum" and "syncInfo", whose failed entries carry
// "cause" and whose accepted entries carry "verified" when the re-read succeeded.
struct CameraIssueResult {
    Json::Value entry;
    int failNum = 0;
    // "itemName"s of the items the camera accepted at least one call of, in order.
    std::vector<std::string> itemsWritten;
};

// How one camera is issued.
struct CameraIssueOptions {
    // A cached record read after this stamp may serve as the camera's record.
    uint64_t freshSince = 0;
    // Once set, no further item is sent.
    const std::atomic<bool>* stop = nullptr;
    // Told the camera's record, once read, before its first item is sent; when it returns false
    // nothing is sent and every item fails with the cause "backupFailed".
    std::function<bool(const DeviceConfig& before)> backup;
    // A restore: the record whose blocks are sent, item by item, instead of blocks built from the
    // configuration (whose mask still chooses the items).
    const DeviceConfig* restoreFrom = nullptr;
    // When set, the camera is not contacted: every item fails with this cause and `failText`.
    const char* failCause = nullptr;
    std::string failText;
};

// The "cause" word of a failed device library call (RPROV_GetLastError()): "unreachable",
// "timeout", "auth", "refused", "serialMismatch", "unsupported", else "camera". Any thread.
const char* IssueCauseOf(int32_t libraryError);

// Logs in to `camera`, checks that it reports the target's serial, builds every block from a
// record read from this camera after `options.freshSince` (the store's cached record when it is
// that fresh, otherwise one read in this login), sends the items of `config`'s sections in order,
// logs out and re-reads the camera through the store (so its caches hold what the camera
// now reports). A camera whose record cannot be read, or whose serial is not the target's,
// receives nothing. Once `options.stop` (when given) is set, no further item is sent (the rest fail
// with the cause "cancelled") and the camera is not read again. `options` adds the backup before
// the first write and the restore (see CameraIssueOptions). Any thread; different cameras may be
// issued at once.
CameraIssueResult IssueToCamera(IssueStore& store, const CameraRecord& camera,
                                const IssuedConfig& config, const CameraIssueOptions& options);

}  // namespace orvex
