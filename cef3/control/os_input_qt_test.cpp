// The browser input events made from Win32 input messages: modifier, keypad and side flags.
#include <gtest/gtest.h>

#include "cef3/control/os_input.h"
#include "platform/win32/qt/qt_window.h"

namespace orvex {
namespace {

constexpr LPARAM kExtended = 1 << 24;

class InputFlagsTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (int key :
             {VK_SHIFT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_RCONTROL, VK_MENU, VK_LMENU}) {
            RecordKeyState(key, false);
        }
        if (GetKeyState(VK_CAPITAL) & 1) {
            RecordKeyState(VK_CAPITAL, true);
            RecordKeyState(VK_CAPITAL, false);
        }
    }
};

TEST_F(InputFlagsTest, MouseFlagsFromTheMessageAndTheKeyState) {
    EXPECT_EQ(MouseEventFlags(0), 0u);
    EXPECT_EQ(MouseEventFlags(MK_CONTROL | MK_SHIFT),
              EVENTFLAG_CONTROL_DOWN | EVENTFLAG_SHIFT_DOWN);
    EXPECT_EQ(
        MouseEventFlags(MK_LBUTTON | MK_MBUTTON | MK_RBUTTON),
        EVENTFLAG_LEFT_MOUSE_BUTTON | EVENTFLAG_MIDDLE_MOUSE_BUTTON | EVENTFLAG_RIGHT_MOUSE_BUTTON);
    RecordKeyState(VK_MENU, true);
    RecordKeyState(VK_CAPITAL, true);
    RecordKeyState(VK_CAPITAL, false);
    EXPECT_EQ(MouseEventFlags(0), EVENTFLAG_ALT_DOWN | EVENTFLAG_CAPS_LOCK_ON);
}

TEST_F(InputFlagsTest, KeypadFlagFollowsTheKeyAndTheExtendedBit) {
    EXPECT_EQ(KeyEventFlags(VK_NUMPAD0 + 5, 0), EVENTFLAG_IS_KEY_PAD);
    EXPECT_EQ(KeyEventFlags(VK_CLEAR, 0), EVENTFLAG_IS_KEY_PAD);
    EXPECT_EQ(KeyEventFlags(VK_DIVIDE, kExtended), EVENTFLAG_IS_KEY_PAD);
    EXPECT_EQ(KeyEventFlags(VK_NUMLOCK, kExtended), EVENTFLAG_IS_KEY_PAD);
    EXPECT_EQ(KeyEventFlags(VK_SEPARATOR, 0), 0u);
    EXPECT_EQ(KeyEventFlags(VK_RETURN, kExtended), EVENTFLAG_IS_KEY_PAD);
    EXPECT_EQ(KeyEventFlags(VK_RETURN, 0), 0u);
    for (int key : {VK_HOME, VK_END, VK_PRIOR, VK_NEXT, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN,
                    VK_INSERT, VK_DELETE}) {
        EXPECT_EQ(KeyEventFlags(key, 0), EVENTFLAG_IS_KEY_PAD) << key;
        EXPECT_EQ(KeyEventFlags(key, kExtended), 0u) << key;
    }
    EXPECT_EQ(KeyEventFlags('A', 0), 0u);
}

TEST_F(InputFlagsTest, ModifierKeysCarryTheirSide) {
    RecordKeyState(VK_SHIFT, true);
    RecordKeyState(VK_RSHIFT, true);
    EXPECT_EQ(KeyEventFlags(VK_SHIFT, 0), EVENTFLAG_SHIFT_DOWN | EVENTFLAG_IS_RIGHT);
    RecordKeyState(VK_LSHIFT, true);
    EXPECT_EQ(KeyEventFlags(VK_SHIFT, 0), EVENTFLAG_SHIFT_DOWN | EVENTFLAG_IS_LEFT);
    RecordKeyState(VK_CONTROL, true);
    RecordKeyState(VK_RCONTROL, true);
    EXPECT_EQ(KeyEventFlags(VK_CONTROL, kExtended),
              EVENTFLAG_SHIFT_DOWN | EVENTFLAG_CONTROL_DOWN | EVENTFLAG_IS_RIGHT);
    RecordKeyState(VK_MENU, true);
    RecordKeyState(VK_LMENU, true);
    EXPECT_EQ(KeyEventFlags(VK_MENU, 0) & (EVENTFLAG_ALT_DOWN | EVENTFLAG_IS_LEFT),
              EVENTFLAG_ALT_DOWN | EVENTFLAG_IS_LEFT);
    EXPECT_EQ(KeyEventFlags(VK_LWIN, kExtended) & EVENTFLAG_IS_LEFT, EVENTFLAG_IS_LEFT);
    EXPECT_EQ(KeyEventFlags(VK_RWIN, kExtended) & EVENTFLAG_IS_RIGHT, EVENTFLAG_IS_RIGHT);
}

TEST_F(InputFlagsTest, KeyEventTypesAndCodesFromTheMessage) {
    LPARAM lParam = 0x003F0001;
    CefKeyEvent down = KeyEventFromMessage(WM_KEYDOWN, VK_F5, lParam);
    EXPECT_EQ(down.type, KEYEVENT_RAWKEYDOWN);
    EXPECT_EQ(down.windows_key_code, VK_F5);
    EXPECT_EQ(down.native_key_code, static_cast<int>(lParam));
    EXPECT_EQ(down.is_system_key, 0);
    EXPECT_EQ(KeyEventFromMessage(WM_KEYUP, 'A', 0).type, KEYEVENT_KEYUP);
    EXPECT_EQ(KeyEventFromMessage(WM_CHAR, 'a', 0).type, KEYEVENT_CHAR);
    CefKeyEvent system = KeyEventFromMessage(WM_SYSKEYDOWN, 'F', 0);
    EXPECT_EQ(system.type, KEYEVENT_RAWKEYDOWN);
    EXPECT_EQ(system.is_system_key, 1);
    EXPECT_EQ(KeyEventFromMessage(WM_SYSKEYUP, 'F', 0).type, KEYEVENT_KEYUP);
    EXPECT_EQ(KeyEventFromMessage(WM_SYSCHAR, 'f', 0).type, KEYEVENT_CHAR);
    EXPECT_EQ(KeyEventFromMessage(WM_SYSCHAR, 'f', 0).is_system_key, 1);
}

}  // namespace
}  // namespace orvex
