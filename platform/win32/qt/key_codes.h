// Virtual-key codes for Qt keys, and the Win32 parameters of key messages made from Qt events.
#pragma once

#include <Qt>

#include "platform/win32/qt/win_user.h"

class QKeyEvent;

namespace orvex {

// The virtual-key code of a Qt key (keypad keys by the keypad modifier); 0 when there is none.
int VirtualKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);
// Whether Win32 marks the key as extended (bit 24 of a key message's lParam): the navigation
// cluster beside the letters, the keypad's Enter and divide keys, right Ctrl and Alt.
bool IsExtendedKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode);
// The lParam of WM_KEYDOWN/WM_KEYUP/WM_CHAR for a Qt key event: repeat count 1, scan code,
// extended bit, context bit (Alt), previous-state and transition bits.
LPARAM KeyMessageLParam(const QKeyEvent& event, bool keyUp);
// For Shift, Control and Alt: the left or right key (VK_LSHIFT ... VK_RMENU); otherwise 0.
int SidedModifierKey(int qtKey, quint32 nativeScanCode);
// Brings the recorded Shift, Control and Alt states in line with the event's modifiers.
void SyncModifierKeyStates(Qt::KeyboardModifiers modifiers);

}  // namespace orvex
