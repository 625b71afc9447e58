// CWindowWnd: the skin library's window: a frameless Qt top-level (or child) window whose
// messages reach HandleMessage, with creation, showing, centring and closing.
#pragma once

#include "platform/duilib/ui_base.h"
#include "platform/win32/qt/qt_window.h"

namespace DuiLib {

// All operations run on the GUI thread.
class CWindowWnd : public orvex::WindowProcedure {
  public:
    CWindowWnd() = default;
    ~CWindowWnd() override;

    HWND GetHWND() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Creates the window (frameless; a child when `hwndParent` is given and WS_CHILD is set)
    // and sends it WM_CREATE before returning; CW_USEDEFAULT places it at 0 with size 0 (the
    // skin sets the size). Null when WM_CREATE answers -1.
    HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT,
                int cy = CW_USEDEFAULT, HMENU hMenu = nullptr);
    void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    // Posts WM_CLOSE.
    void Close(UINT nRet = 1);
    // Centres the window on the work area of its screen.
    void CenterWindow();
    void ResizeClient(int cx = -1, int cy = -1);
    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);

  protected:
    virtual LPCTSTR GetWindowClassName() const = 0;
    virtual LPCTSTR GetSuperClassName() const { return nullptr; }
    virtual UINT GetClassStyle() const { return 0; }
    // The default hands the message to DefWindowProcA.
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // After the last message (WM_NCDESTROY); the handle is already gone.
    virtual void OnFinalMessage(HWND /*hWnd*/) {}

    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND m_hWnd = nullptr;
};

}  // namespace DuiLib
