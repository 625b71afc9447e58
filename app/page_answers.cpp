#include "app/page_answers.h"

#include "app/push_to_h5.h"
#include "platform/win32/debug_output.h"
#include "studio/data_manager.h"

namespace orvex {

void sendToH5GroupInfo(ScriptRunner* runner) {
    PushToH5(runner, 1, DataManager::instance().getGroupInfo());
}

void sendToH5GroupCamerasInfo(ScriptRunner* runner, const std::string& request) {
    PushToH5(runner, 2, DataManager::instance().getGroupCamerasInfo(request));
}

void sendToH5AllCamerasInfo(ScriptRunner* runner) {
    PushToH5(runner, 4, DataManager::instance().getAllCamerasInfo());
}

void sendToH5CurrentCameraInfo(ScriptRunner* runner) {
    PushToH5(runner, 5, DataManager::instance().getCurrentCameraInfo());
}

void sendToH5CameraConfigInfo(ScriptRunner* runner, const std::string& request) {
    OutputDebugStringA("sendToH5CameraConfigInfo start");
    std::string text = FlattenJsonText(DataManager::instance().getCameraCfgInfo(request));
    OutputDebugStringA("sendToH5CameraConfigInfo middle");
    PushToH5(runner, 3, text);
    OutputDebugStringA("sendToH5CameraConfigInfo end");
}

void sendToH5CameraCfgRangeInfo(ScriptRunner* runner, const std::string& request) {
    PushToH5(runner, 8, DataManager::instance().getCameraCfgRangeInfo(request));
}

}  // namespace orvex
