// The studio link's way into the store: the program's client hands every message to
// DataManager::onStudioMessage, which logs it and passes it to its handler.
#include "platform/win32/debug_output.h"
#include "platform/win32/message_target.h"
#include "platform/win32/window_messages.h"
#include "studio/data_manager.h"
#include "studio/studio_link_client.h"
#include "studio/studio_message.h"
#include "support/text_conversion.h"

namespace orvex {

StudioLinkClient::StudioLinkClient(HWND mainWindow)
    : StudioLinkClient(mainWindow, StudioEndpoint{}, [](int32_t type, const std::string& text) {
          DataManager::instance().onStudioMessage(type, text);
      }) {}

void DataManager::onStudioMessage(int type, const std::string& payload) {
    OutputDebugStringA("recv data:");
    OutputDebugStringA(Utf8ToAnsi(payload.c_str()).c_str());
    OutputDebugStringA("\n");
    switch (type) {
        case STUDIO_MSG_GROUP_INFO:
            onGroupInfoMessage(payload);
            break;
        case STUDIO_MSG_CAMERA:
            onCameraMessage(payload);
            break;
        case STUDIO_MSG_QUIT:
            if (HWND window = mainWindow()) {
                PostMessageA(window, WM_STUDIO_QUIT, 0, 0);
            }
            break;
        default:
            break;
    }
}

}  // namespace orvex
