#include "platform/win32/qt/key_codes.h"

#include <QKeyEvent>

#include "platform/win32/qt/qt_window.h"

namespace orvex {
namespace {

// X11 key codes of the right-hand modifier keys (the offscreen platform reports 0).
constexpr quint32 kRightControlScan = 105;
constexpr quint32 kRightAltScan = 108;
constexpr quint32 kRightShiftScan = 62;

int keypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return VK_NUMPAD0 + (qtKey - Qt::Key_0);
    }
    switch (qtKey) {
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return VK_DECIMAL;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Clear:
            return VK_CLEAR;
        default:
            return 0;
    }
}

// Shifted symbols of a US layout report their unshifted key.
int symbolKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Exclam:
            return '1';
        case Qt::Key_At:
            return '2';
        case Qt::Key_NumberSign:
            return '3';
        case Qt::Key_Dollar:
            return '4';
        case Qt::Key_Percent:
            return '5';
        case Qt::Key_AsciiCircum:
            return '6';
        case Qt::Key_Ampersand:
            return '7';
        case Qt::Key_Asterisk:
            return '8';
        case Qt::Key_ParenLeft:
            return '9';
        case Qt::Key_ParenRight:
            return '0';
        case Qt::Key_Semicolon:
        case Qt::Key_Colon:
            return VK_OEM_1;
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return VK_OEM_PLUS;
        case Qt::Key_Comma:
        case Qt::Key_Less:
            return VK_OEM_COMMA;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return VK_OEM_MINUS;
        case Qt::Key_Period:
        case Qt::Key_Greater:
            return VK_OEM_PERIOD;
        case Qt::Key_Slash:
        case Qt::Key_Question:
            return VK_OEM_2;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde:
            return VK_OEM_3;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft:
            return VK_OEM_4;
        case Qt::Key_Backslash:
        case Qt::Key_Bar:
            return VK_OEM_5;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight:
            return VK_OEM_6;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl:
            return VK_OEM_7;
        default:
            return 0;
    }
}

}  // namespace

int VirtualKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (int vk = keypadKey(qtKey)) {
            return vk;
        }
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return 'A' + (qtKey - Qt::Key_A);
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return '0' + (qtKey - Qt::Key_0);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return VK_F1 + (qtKey - Qt::Key_F1);
    }
    switch (qtKey) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Clear:
            return VK_CLEAR;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return VK_MENU;
        case Qt::Key_Pause:
            return VK_PAUSE;
        case Qt::Key_CapsLock:
            return VK_CAPITAL;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Print:
            return VK_SNAPSHOT;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
            return VK_LWIN;
        case Qt::Key_Super_R:
            return VK_RWIN;
        case Qt::Key_Menu:
            return VK_APPS;
        case Qt::Key_NumLock:
            return VK_NUMLOCK;
        case Qt::Key_ScrollLock:
            return VK_SCROLL;
        default:
            return symbolKey(qtKey);
    }
}

bool IsExtendedKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode) {
    bool keypad = (modifiers & Qt::KeypadModifier) != 0;
    switch (qtKey) {
        case Qt::Key_Insert:
        case Qt::Key_Delete:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_Right:
        case Qt::Key_Down:
            return !keypad;
        case Qt::Key_Enter:
            return true;
        case Qt::Key_Slash:
            return keypad;
        case Qt::Key_NumLock:
            return true;
        case Qt::Key_Control:
            return nativeScanCode == kRightControlScan;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return nativeScanCode == kRightAltScan || qtKey == Qt::Key_AltGr;
        default:
            return false;
    }
}

LPARAM KeyMessageLParam(const QKeyEvent& event, bool keyUp) {
    uint32_t value = 1;  // repeat count
    value |= (event.nativeScanCode() & 0xFFu) << 16;
    if (IsExtendedKey(event.key(), event.modifiers(), event.nativeScanCode())) {
        value |= 1u << 24;
    }
    if (event.modifiers() & Qt::AltModifier) {
        value |= 1u << 29;
    }
    if (keyUp || event.isAutoRepeat()) {
        value |= 1u << 30;
    }
    if (keyUp) {
        value |= 1u << 31;
    }
    return static_cast<LPARAM>(static_cast<int32_t>(value));
}

int SidedModifierKey(int qtKey, quint32 nativeScanCode) {
    switch (qtKey) {
        case Qt::Key_Shift:
            return nativeScanCode == kRightShiftScan ? VK_RSHIFT : VK_LSHIFT;
        case Qt::Key_Control:
            return nativeScanCode == kRightControlScan ? VK_RCONTROL : VK_LCONTROL;
        case Qt::Key_Alt:
            return nativeScanCode == kRightAltScan ? VK_RMENU : VK_LMENU;
        case Qt::Key_AltGr:
            return VK_RMENU;
        default:
            return 0;
    }
}

void SyncModifierKeyStates(Qt::KeyboardModifiers modifiers) {
    struct Pair {
        Qt::KeyboardModifier modifier;
        int key, left, right;
    };
    const Pair pairs[] = {{Qt::ShiftModifier, VK_SHIFT, VK_LSHIFT, VK_RSHIFT},
                          {Qt::ControlModifier, VK_CONTROL, VK_LCONTROL, VK_RCONTROL},
                          {Qt::AltModifier, VK_MENU, VK_LMENU, VK_RMENU}};
    for (const Pair& pair : pairs) {
        bool down = (modifiers & pair.modifier) != 0;
        bool wasDown = GetKeyState(pair.key) < 0;
        if (down == wasDown) {
            continue;
        }
        RecordKeyState(pair.key, down);
        if (!down) {
            RecordKeyState(pair.left, false);
            RecordKeyState(pair.right, false);
        } else if (GetKeyState(pair.right) >= 0) {
            RecordKeyState(pair.left, true);
        }
    }
}

}  // namespace orvex
