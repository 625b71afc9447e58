// The window side of the Win32 layer on Qt: window handles for Qt widgets and message-only
// windows, the window procedure behind them, message dispatch on the GUI thread and the Win32
// window calls (ShowWindow, GetClientRect, SetCapture, GetKeyState, ...).
#pragma once

#include <functional>

#include "platform/win32/message_target.h"
#include "platform/win32/qt/win_user.h"

class QObject;
class QPainter;
class QWidget;

namespace orvex {

// What a window does with its messages (the window procedure of its class).
class WindowProcedure {
  public:
    virtual ~WindowProcedure() = default;
    // Called on the GUI thread for every message dispatched or sent to the window.
    virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// Gives a widget a window handle; messages go to `procedure` (null: DefWindowProcA only).
// `ownsWidget`: DestroyWindow deletes the widget. The handle dies with the widget. GUI thread.
HWND AttachWindowHandle(QWidget* widget, WindowProcedure* procedure, bool ownsWidget = false);
// A window with no widget that only receives posted and sent messages. GUI thread.
HWND CreateMessageOnlyWindow(WindowProcedure* procedure);
// The window's messages stop reaching its procedure (the procedure's object is going away).
// GUI thread.
void DetachWindowProcedure(HWND hwnd);
// The widget behind a handle (null for message-only windows and dead handles). GUI thread.
QWidget* WidgetFromHandle(HWND hwnd);
// The handle of a widget, or null. GUI thread.
HWND HandleFromWidget(const QWidget* widget);

// The hook that sees every message dispatched from the queue before its window does (the
// message loop's translate step); returning true takes the message. GUI thread.
void SetMessagePreTranslator(std::function<bool(const MSG&)> preTranslator);
// Offers the message to the pre-translator, then to its window's procedure. `taken` reports
// whether the pre-translator took it. GUI thread.
LRESULT DispatchWindowMessage(const MSG& msg, bool* taken = nullptr);
// Runs the GUI thread's event loop until PostQuitMessage; returns the quit code. GUI thread.
int RunMessageLoop();

// Records a key or mouse button as down or up (the thread key state GetKeyState reads); Caps
// Lock, Num Lock and Scroll Lock toggle on each press. GUI thread.
void RecordKeyState(int virtualKey, bool down);

// The painter of a device context handed out by BeginPaint. GUI thread.
QPainter* PainterFromDC(HDC hdc);
HDC DCFromPainter(QPainter* painter);
// Cursor handles stand for Qt cursor shapes.
HCURSOR CursorFromShape(int qtCursorShape);
int ShapeFromCursor(HCURSOR cursor);
// The work area of the screen showing the window (or the primary screen). GUI thread.
BOOL GetWorkArea(HWND hwnd, RECT* area);

}  // namespace orvex

// Win32 window calls with their Win32 meaning; all on the GUI thread. Coordinates of child
// windows are relative to their parent's client area, of top-level windows to the screen.
BOOL ShowWindow(HWND hwnd, int command);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
// The window's title as the desktop shows it (ANSI code page text).
BOOL SetWindowTextA(HWND hwnd, const char* text);
HWND GetParent(HWND hwnd);
DWORD SetClassLongA(HWND hwnd, int index, LONG value);
LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
SHORT GetKeyState(int virtualKey);
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL DestroyWindow(HWND hwnd);
// A message number (0xC000 and above) unique to the name; the same name gives the same number.
// Any thread.
UINT RegisterWindowMessageA(const char* name);
// Posts the quit message: the running message loop returns `exitCode` once the messages
// posted before it have been handled. Any thread.
void PostQuitMessage(int exitCode);
