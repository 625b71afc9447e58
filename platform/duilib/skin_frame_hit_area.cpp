#include "platform/duilib/skin_frame_hit_area.h"

#include <cstring>

#include "platform/win32/qt/qt_window.h"

namespace DuiLib {

LRESULT HitTestSkinFrame(const CPaintManagerUI& manager, HWND hwnd, POINT screenPoint) {
    POINT pt = screenPoint;
    ScreenToClient(hwnd, &pt);
    RECT client;
    GetClientRect(hwnd, &client);
    if (!IsZoomed(hwnd)) {
        RECT box = manager.GetSizeBox();
        bool left = pt.x < client.left + box.left;
        bool right = pt.x >= client.right - box.right;
        if (pt.y < client.top + box.top) {
            return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        }
        if (pt.y >= client.bottom - box.bottom) {
            return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        }
        if (left) {
            return HTLEFT;
        }
        if (right) {
            return HTRIGHT;
        }
    }
    RECT caption = manager.GetCaptionRect();
    if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right &&
        pt.y >= caption.top && pt.y < caption.bottom) {
        CControlUI* control = manager.FindControl(pt);
        if (control != nullptr && std::strcmp(control->GetClass(), "ButtonUI") != 0) {
            return HTCAPTION;
        }
    }
    return HTCLIENT;
}

}  // namespace DuiLib
