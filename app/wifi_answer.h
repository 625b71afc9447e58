// The page's Wi-Fi list request: the networks a camera sees, pushed with code '9'.
#pragma once

#include <string>

#include "app/script_runner.h"

namespace orvex {

// Logs in to the camera of `request` (a camera object), reads its Wi-Fi list and pushes the
// JSON array to the page with code '9'; an empty text when the camera could not be read.
// Pool workers (it waits for the camera).
void sendToH5WifiListInfo(ScriptRunner* runner, const std::string& request);

}  // namespace orvex
