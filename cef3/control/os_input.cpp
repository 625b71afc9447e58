#include "cef3/control/os_input.h"

#include "platform/win32/qt/qt_window.h"

namespace orvex {
namespace {

bool isDown(int key) {
    return GetKeyState(key) < 0;
}

bool isToggled(int key) {
    return (GetKeyState(key) & 1) != 0;
}

uint32_t lockFlags() {
    uint32_t flags = 0;
    if (isToggled(VK_NUMLOCK)) {
        flags |= EVENTFLAG_NUM_LOCK_ON;
    }
    if (isToggled(VK_CAPITAL)) {
        flags |= EVENTFLAG_CAPS_LOCK_ON;
    }
    return flags;
}

}  // namespace

uint32_t MouseEventFlags(WPARAM wParam) {
    uint32_t flags = lockFlags();
    if (wParam & MK_CONTROL) {
        flags |= EVENTFLAG_CONTROL_DOWN;
    }
    if (wParam & MK_SHIFT) {
        flags |= EVENTFLAG_SHIFT_DOWN;
    }
    if (isDown(VK_MENU)) {
        flags |= EVENTFLAG_ALT_DOWN;
    }
    if (wParam & MK_LBUTTON) {
        flags |= EVENTFLAG_LEFT_MOUSE_BUTTON;
    }
    if (wParam & MK_MBUTTON) {
        flags |= EVENTFLAG_MIDDLE_MOUSE_BUTTON;
    }
    if (wParam & MK_RBUTTON) {
        flags |= EVENTFLAG_RIGHT_MOUSE_BUTTON;
    }
    return flags;
}

uint32_t KeyEventFlags(WPARAM keyCode, LPARAM lParam) {
    uint32_t flags = lockFlags();
    if (isDown(VK_SHIFT)) {
        flags |= EVENTFLAG_SHIFT_DOWN;
    }
    if (isDown(VK_CONTROL)) {
        flags |= EVENTFLAG_CONTROL_DOWN;
    }
    if (isDown(VK_MENU)) {
        flags |= EVENTFLAG_ALT_DOWN;
    }
    bool extended = (static_cast<uint32_t>(lParam) & (1u << 24)) != 0;
    int key = static_cast<int>(keyCode);
    switch (key) {
        case VK_RETURN:
            if (extended) {
                flags |= EVENTFLAG_IS_KEY_PAD;
            }
            break;
        case VK_INSERT:
        case VK_DELETE:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
            if (!extended) {
                flags |= EVENTFLAG_IS_KEY_PAD;
            }
            break;
        case VK_NUMLOCK:
        case VK_CLEAR:
        case VK_MULTIPLY:
        case VK_ADD:
        case VK_SUBTRACT:
        case VK_DECIMAL:
        case VK_DIVIDE:
            flags |= EVENTFLAG_IS_KEY_PAD;
            break;
        case VK_SHIFT:
            if (isDown(VK_LSHIFT)) {
                flags |= EVENTFLAG_IS_LEFT;
            } else if (isDown(VK_RSHIFT)) {
                flags |= EVENTFLAG_IS_RIGHT;
            }
            break;
        case VK_CONTROL:
            if (isDown(VK_LCONTROL)) {
                flags |= EVENTFLAG_IS_LEFT;
            } else if (isDown(VK_RCONTROL)) {
                flags |= EVENTFLAG_IS_RIGHT;
            }
            break;
        case VK_MENU:
            if (isDown(VK_LMENU)) {
                flags |= EVENTFLAG_IS_LEFT;
            } else if (isDown(VK_RMENU)) {
                flags |= EVENTFLAG_IS_RIGHT;
            }
            break;
        case VK_LWIN:
            flags |= EVENTFLAG_IS_LEFT;
            break;
        case VK_RWIN:
            flags |= EVENTFLAG_IS_RIGHT;
            break;
        default:
            if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) {
                flags |= EVENTFLAG_IS_KEY_PAD;
            }
            break;
    }
    return flags;
}

CefKeyEvent KeyEventFromMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    CefKeyEvent event;
    event.windows_key_code = static_cast<int>(wParam);
    event.native_key_code = static_cast<int>(lParam);
    event.is_system_key =
        message == WM_SYSCHAR || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP ? 1 : 0;
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        event.type = KEYEVENT_RAWKEYDOWN;
    } else if (message == WM_KEYUP || message == WM_SYSKEYUP) {
        event.type = KEYEVENT_KEYUP;
    } else {
        event.type = KEYEVENT_CHAR;
    }
    event.modifiers = KeyEventFlags(wParam, lParam);
    return event;
}

}  // namespace orvex
