// WindowEntry: what stands behind one Qt window handle (shared by the window layer's files).
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/win32/qt/qt_window.h"

namespace orvex {

class WindowEntry : public MessageTarget {
  public:
    HWND hwnd = nullptr;
    QPointer<QWidget> widget;  // null for a message-only window
    WindowProcedure* procedure = nullptr;
    bool ownsWidget = false;
    bool messageOnly = false;
    // Window longs and the class cursor (GUI thread only).
    LONG style = 0;
    LONG exStyle = 0;
    LONG_PTR userData = 0;
    DWORD classCursor = 0;
    // The painter of the paint in progress (WM_PAINT), handed out by BeginPaint.
    QPainter* painter = nullptr;
    RECT paintRect;

    // MessageTarget: posts travel through the dispatcher to the GUI thread.
    void Post(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool GetRect(RECT* rect) override;
    bool Move(int x, int y, int width, int height, bool repaint) override;
    SIZE MaxSize() override;
};

// The entry of a live handle, or null. Any thread (the entry's widget is GUI-thread only).
std::shared_ptr<WindowEntry> FindWindowEntry(HWND hwnd);

}  // namespace orvex
