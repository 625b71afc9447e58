// The non-client hit test of a skinned frameless window: the skin's size box margins (unless
// the window is maximised), then its caption rectangle where the control under the point is not
// a button, otherwise the client area.
#pragma once

#include "platform/duilib/paint_manager_ui.h"

namespace DuiLib {

// `screenPoint` is the WM_NCHITTEST point. Returns HTTOPLEFT ... HTBOTTOMRIGHT, HTCAPTION or
// HTCLIENT. GUI thread.
LRESULT HitTestSkinFrame(const CPaintManagerUI& manager, HWND hwnd, POINT screenPoint);

}  // namespace DuiLib
