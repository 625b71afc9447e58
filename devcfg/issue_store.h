// IssueStore: what the issuing worker needs from the camera store (the targets, the issued
// configuration, the cached records and the store's re-read), so the worker does not depend on
// the store's class.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devcfg/camera_record.h"
#include "devcfg/issued_config.h"
#include "platform/rprov/rprov_records.h"

namespace orvex {

class IssueStore {
  public:
    virtual ~IssueStore() = default;

    // The targets of the current issue request, in request order. Any thread.
    virtual std::vector<CameraRecord> issuedCameras() const = 0;
    // A copy of the configuration to issue with its section mask. Any thread.
    virtual IssuedConfig issuedConfig() const = 0;
    // The read stamp at the start of the current request's target reads: a cached record with
    // a later stamp was read during this request. Any thread.
    virtual uint64_t issuedReadsSince() const = 0;
    // The DeviceConfig last read from the camera under `key` and its read stamp; false when
    // none was read. Any thread.
    virtual bool cachedDeviceConfig(const std::string& key, DeviceConfig& config,
                                    uint64_t* stamp) const = 0;
    // Reads `camera`'s configuration and ranges again, refreshes the store's caches, and copies
    // the record read into `readBack`. False when the camera could not be read. Any worker
    // thread; different cameras at once.
    virtual bool rereadCamera(const CameraRecord& camera, DeviceConfig& readBack) = 0;
};

}  // namespace orvex
