// The browser input events made from the host window's Win32 input messages: mouse and key
// modifier flags, and key events with their type, codes and keypad/side flags.
#pragma once

#include "platform/cef/cef_types.h"

namespace orvex {

// The mouse message's MK_ flags, Alt from the key state, Num Lock and Caps Lock toggles.
// GUI thread (reads the thread key state).
uint32_t MouseEventFlags(WPARAM wParam);
// Shift, Control, Alt down and the lock toggles from the key state, plus the keypad flag and
// the left/right flags that the key code (and the extended-key bit of lParam) calls for.
// GUI thread.
uint32_t KeyEventFlags(WPARAM keyCode, LPARAM lParam);
// The key event of WM_KEYDOWN/WM_KEYUP/WM_CHAR and their WM_SYS* forms. GUI thread.
CefKeyEvent KeyEventFromMessage(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orvex
