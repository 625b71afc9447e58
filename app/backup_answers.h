// The page's backup questions in JSON: the list of backup passes (answer 15) and the reading of
// a restore request (query 22).
#pragma once

#include <string>
#include <vector>

#include "devcfg/backup_store.h"
#include "devcfg/camera_record.h"

namespace orvex {

// {"passes": [{"id", "when", "kind", "cameras": [{"serial", "channelNo", "name", "items",
// "failNum"}], "items": the union of the cameras' items in first-seen order}]}, in the order
// given (the store lists newest first). Pure; any thread.
std::string BackupPassesText(const std::vector<BackupPass>& passes);

// Reads {"passId", "cameras": [camera objects]} of a restore request. False when it is not such
// an object or a camera cannot be read (nothing is restored then). Pure; any thread.
bool ReadRestoreRequest(const std::string& request, std::string& passId,
                        std::vector<CameraRecord>& cameras);

}  // namespace orvex
