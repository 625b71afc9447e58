// IssueWorker: writes the issued configuration into every target camera, one configuration item
// at a time, and keeps the per-camera, per-item result list of the last pass.
#pragma once

#include <json/json.h>

#include <string>

#include "devcfg/issued_config.h"
#include "studio/camera_record.h"
#include "studio/data_manager.h"

namespace orvex {

class IssueWorker {
  public:
    // Initialises the device library (RPROV_Init; its result is not used).
    IssueWorker();

    // One pass over the store's issuedCameras with its issuedConfig: for each camera, log in,
    // send every section the mask holds as its items, log out, add the camera's results, and
    // re-read the camera so the caches hold what it now reports. On return `result` holds the
    // JSON text of the pass ("null" for no camera). The issue request's thread; one pass at a
    // time (issue requests are serialised by IssueRequestRunner).
    void Run();

    // The result text of the last pass; empty before the first.
    std::string result;

  private:
    // The result object of one camera ("device", "failNum", "syncInfo").
    Json::Value issueCamera(const CameraRecord& camera, const IssuedConfig& config);

    DataManager* store_ = nullptr;
};

}  // namespace orvex
