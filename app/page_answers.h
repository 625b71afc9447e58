// The answers to the page's store questions: each asks DataManager and pushes with its code.
#pragma once

#include <string>

#include "app/script_runner.h"

namespace orvex {

// Codes '1', '2', '4', '5': answered at once. GUI thread.
void sendToH5GroupInfo(ScriptRunner* runner);
void sendToH5GroupCamerasInfo(ScriptRunner* runner, const std::string& request);
void sendToH5AllCamerasInfo(ScriptRunner* runner);
void sendToH5CurrentCameraInfo(ScriptRunner* runner);

// Codes '3' and '8': they reach the camera, so they run on a pool worker.
void sendToH5CameraConfigInfo(ScriptRunner* runner, const std::string& request);
void sendToH5CameraCfgRangeInfo(ScriptRunner* runner, const std::string& request);

}  // namespace orvex
