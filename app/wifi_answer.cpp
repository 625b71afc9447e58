#include "app/wifi_answer.h"

#include "app/push_to_h5.h"
#include "platform/win32/debug_output.h"
#include "studio/data_manager.h"

namespace orvex {

void sendToH5WifiListInfo(ScriptRunner* runner, const std::string& request) {
    OutputDebugStringA("sendToH5WifiListInfo start");
    std::string text;
    DataManager::instance().getWifiInfoByDevSerial(request, text);
    PushToH5(runner, 9, text);
    OutputDebugStringA("sendToH5WifiListInfo end");
}

}  // namespace orvex
