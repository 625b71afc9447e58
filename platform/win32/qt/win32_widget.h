// Win32Widget: a Qt widget that is a Win32 window. Its Qt events reach its window procedure as
// the messages a Win32 window receives (paint, size, mouse, wheel, keys, focus, activation,
// close), and the non-client hit test moves and resizes it when it is a frameless top level.
#pragma once

#include <QWidget>

#include "platform/win32/qt/qt_window.h"

namespace orvex {

class Win32Widget : public QWidget {
  public:
    // Creates the widget and gives it a handle whose messages go to `procedure`; with
    // CS_DBLCLKS in `classStyle` second clicks arrive as double-click messages. GUI thread.
    Win32Widget(WindowProcedure* procedure, QWidget* parent, Qt::WindowFlags flags,
                UINT classStyle);

    HWND hwnd() const { return hwnd_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    // Queued input goes through the message loop's pre-translator; sent messages do not.
    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool* taken = nullptr);
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam);
    void mouseButton(QMouseEvent* event, bool down, bool doubleClick);
    bool beginFrameDrag(LRESULT hit, QPoint global);
    void updateHoverCursor(QPoint global);

    HWND hwnd_ = nullptr;
    UINT classStyle_ = 0;
    // A move or resize done here when the platform cannot start a system one.
    LRESULT dragHit_ = HTNOWHERE;
    QPoint dragStart_;
    QRect dragGeometry_;
    bool edgeCursor_ = false;
};

}  // namespace orvex
