#include "platform/duilib/window_wnd.h"

#include <QWidget>

#include "platform/win32/qt/win32_widget.h"
#include "support/gui_thread.h"
#include "support/text_conversion.h"

namespace DuiLib {

CWindowWnd::~CWindowWnd() {
    if (m_hWnd != nullptr) {
        HWND hwnd = m_hWnd;
        m_hWnd = nullptr;
        orvex::DetachWindowProcedure(hwnd);
        if (QWidget* widget = orvex::WidgetFromHandle(hwnd)) {
            delete widget;  // the window cannot outlive its procedure
        }
    }
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x,
                        int y, int cx, int cy, HMENU) {
    ORVEX_ASSERT_GUI_THREAD();
    QWidget* parent = orvex::WidgetFromHandle(hwndParent);
    bool child = parent != nullptr && (dwStyle & WS_CHILD) != 0;
    Qt::WindowFlags flags = child ? Qt::Widget : (Qt::Window | Qt::FramelessWindowHint);
    auto* widget = new orvex::Win32Widget(this, child ? parent : nullptr, flags, GetClassStyle());
    if (pstrName != nullptr) {
        widget->setWindowTitle(QString::fromStdString(orvex::AnsiToUtf8(pstrName)));
    }
    auto coordinate = [](int value) { return value == CW_USEDEFAULT ? 0 : value; };
    widget->setGeometry(coordinate(x), coordinate(y), coordinate(cx), coordinate(cy));
    m_hWnd = widget->hwnd();
    SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(dwStyle));
    SetWindowLongA(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(dwExStyle));
    if (SendMessage(WM_CREATE, 0, 0) == -1) {
        DestroyWindow(m_hWnd);
        return nullptr;
    }
    return m_hWnd;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
    ::ShowWindow(m_hWnd, bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void CWindowWnd::Close(UINT nRet) {
    PostMessage(WM_CLOSE, nRet, 0);
}

void CWindowWnd::CenterWindow() {
    RECT window;
    RECT area;
    if (!GetWindowRect(m_hWnd, &window) || !orvex::GetWorkArea(m_hWnd, &area)) {
        return;
    }
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int left = area.left + (area.right - area.left - width) / 2;
    int top = area.top + (area.bottom - area.top - height) / 2;
    left = left < area.left ? area.left : left;
    top = top < area.top ? area.top : top;
    MoveWindow(m_hWnd, left, top, width, height, FALSE);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    RECT rect;
    if (!GetWindowRect(m_hWnd, &rect)) {
        return;
    }
    MoveWindow(m_hWnd, rect.left, rect.top, cx < 0 ? rect.right - rect.left : cx,
               cy < 0 ? rect.bottom - rect.top : cy, TRUE);
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ORVEX_ASSERT_GUI_THREAD();
    if (message == WM_NCDESTROY) {
        LRESULT result = HandleMessage(message, wParam, lParam);
        m_hWnd = nullptr;
        OnFinalMessage(hwnd);
        return result;
    }
    return HandleMessage(message, wParam, lParam);
}

}  // namespace DuiLib
