#include "platform/win32/qt/win32_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWindow>

#include "platform/win32/qt/key_codes.h"
#include "platform/win32/qt/window_entry.h"
#include "support/gui_thread.h"

namespace orvex {
namespace {

WPARAM mouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    WPARAM flags = 0;
    if (buttons & Qt::LeftButton) {
        flags |= MK_LBUTTON;
    }
    if (buttons & Qt::RightButton) {
        flags |= MK_RBUTTON;
    }
    if (buttons & Qt::MiddleButton) {
        flags |= MK_MBUTTON;
    }
    if (modifiers & Qt::ShiftModifier) {
        flags |= MK_SHIFT;
    }
    if (modifiers & Qt::ControlModifier) {
        flags |= MK_CONTROL;
    }
    return flags;
}

int buttonKey(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return VK_LBUTTON;
        case Qt::RightButton:
            return VK_RBUTTON;
        case Qt::MiddleButton:
            return VK_MBUTTON;
        default:
            return 0;
    }
}

Qt::Edges edgesOf(LRESULT hit) {
    switch (hit) {
        case HTLEFT:
            return Qt::LeftEdge;
        case HTRIGHT:
            return Qt::RightEdge;
        case HTTOP:
            return Qt::TopEdge;
        case HTBOTTOM:
            return Qt::BottomEdge;
        case HTTOPLEFT:
            return Qt::TopEdge | Qt::LeftEdge;
        case HTTOPRIGHT:
            return Qt::TopEdge | Qt::RightEdge;
        case HTBOTTOMLEFT:
            return Qt::BottomEdge | Qt::LeftEdge;
        case HTBOTTOMRIGHT:
            return Qt::BottomEdge | Qt::RightEdge;
        default:
            return {};
    }
}

Qt::CursorShape edgeCursor(LRESULT hit) {
    switch (hit) {
        case HTLEFT:
        case HTRIGHT:
            return Qt::SizeHorCursor;
        case HTTOP:
        case HTBOTTOM:
            return Qt::SizeVerCursor;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT:
            return Qt::SizeFDiagCursor;
        default:
            return Qt::SizeBDiagCursor;
    }
}

LPARAM pointParam(QPoint point) {
    return MAKELPARAM(point.x(), point.y());
}

}  // namespace

Win32Widget::Win32Widget(WindowProcedure* procedure, QWidget* parent, Qt::WindowFlags flags,
                         UINT classStyle)
    : QWidget(parent, flags), classStyle_(classStyle) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    hwnd_ = AttachWindowHandle(this, procedure, true);
}

LRESULT Win32Widget::dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool* taken) {
    ORVEX_ASSERT_GUI_THREAD();
    MSG msg;
    msg.hwnd = hwnd_;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    QPoint cursor = QCursor::pos();
    msg.pt = POINT{cursor.x(), cursor.y()};
    return DispatchWindowMessage(msg, taken);
}

LRESULT Win32Widget::send(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(hwnd_, message, wParam, lParam);
}

void Win32Widget::paintEvent(QPaintEvent* event) {
    ORVEX_ASSERT_GUI_THREAD();
    std::shared_ptr<WindowEntry> entry = FindWindowEntry(hwnd_);
    if (!entry) {
        return;
    }
    QPainter painter(this);
    QRect area = event->rect();
    entry->painter = &painter;
    entry->paintRect =
        RECT{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
    dispatch(WM_PAINT, 0, 0);
    entry->painter = nullptr;
}

void Win32Widget::resizeEvent(QResizeEvent*) {
    WPARAM kind = isMaximized() ? SIZE_MAXIMIZED : isMinimized() ? SIZE_MINIMIZED : SIZE_RESTORED;
    send(WM_SIZE, kind, MAKELPARAM(width(), height()));
}

void Win32Widget::moveEvent(QMoveEvent*) {
    send(WM_MOVE, 0, pointParam(mapToGlobal(QPoint(0, 0))));
}

bool Win32Widget::beginFrameDrag(LRESULT hit, QPoint global) {
    if (hit != HTCAPTION && edgesOf(hit) == Qt::Edges{}) {
        return false;
    }
    QWindow* window = windowHandle();
    bool started = false;
    if (window != nullptr) {
        started =
            hit == HTCAPTION ? window->startSystemMove() : window->startSystemResize(edgesOf(hit));
    }
    if (!started) {
        dragHit_ = hit;
        dragStart_ = global;
        dragGeometry_ = geometry();
    }
    return true;
}

void Win32Widget::mouseButton(QMouseEvent* event, bool down, bool doubleClick) {
    SyncModifierKeyStates(event->modifiers());
    RecordKeyState(buttonKey(event->button()), down);
    QPoint global = event->globalPosition().toPoint();
    if (!down && dragHit_ != HTNOWHERE && event->button() == Qt::LeftButton) {
        dragHit_ = HTNOWHERE;
        return;
    }
    if (down && isWindow() && event->button() == Qt::LeftButton) {
        LRESULT hit = send(WM_NCHITTEST, 0, pointParam(global));
        if (hit != HTCLIENT && hit != HTNOWHERE) {
            send(WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit), pointParam(global));
            beginFrameDrag(hit, global);
            return;
        }
    }
    UINT message = 0;
    switch (event->button()) {
        case Qt::LeftButton:
            message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            break;
        case Qt::RightButton:
            message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            break;
        case Qt::MiddleButton:
            message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            break;
        default:
            return;
    }
    if (doubleClick && (classStyle_ & CS_DBLCLKS) != 0) {
        message += 2;  // WM_xBUTTONDOWN + 2 is WM_xBUTTONDBLCLK
    }
    dispatch(message, mouseKeyFlags(event->buttons(), event->modifiers()),
             pointParam(event->position().toPoint()));
}

void Win32Widget::mousePressEvent(QMouseEvent* event) {
    mouseButton(event, true, false);
}

void Win32Widget::mouseReleaseEvent(QMouseEvent* event) {
    mouseButton(event, false, false);
}

void Win32Widget::mouseDoubleClickEvent(QMouseEvent* event) {
    mouseButton(event, true, true);
}

void Win32Widget::updateHoverCursor(QPoint global) {
    if (!isWindow()) {
        return;
    }
    LRESULT hit = send(WM_NCHITTEST, 0, pointParam(global));
    if (edgesOf(hit) != Qt::Edges{}) {
        setCursor(edgeCursor(hit));
        edgeCursor_ = true;
    } else if (edgeCursor_) {
        edgeCursor_ = false;
        std::shared_ptr<WindowEntry> entry = FindWindowEntry(hwnd_);
        HCURSOR cursor =
            entry ? reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(entry->classCursor)) : nullptr;
        setCursor(QCursor(static_cast<Qt::CursorShape>(ShapeFromCursor(cursor))));
    }
}

void Win32Widget::mouseMoveEvent(QMouseEvent* event) {
    QPoint global = event->globalPosition().toPoint();
    if (dragHit_ != HTNOWHERE) {
        QPoint delta = global - dragStart_;
        QRect target = dragGeometry_;
        if (dragHit_ == HTCAPTION) {
            target.moveTopLeft(dragGeometry_.topLeft() + delta);
        } else {
            Qt::Edges edges = edgesOf(dragHit_);
            if (edges & Qt::LeftEdge) {
                target.setLeft(dragGeometry_.left() + delta.x());
            }
            if (edges & Qt::RightEdge) {
                target.setRight(dragGeometry_.right() + delta.x());
            }
            if (edges & Qt::TopEdge) {
                target.setTop(dragGeometry_.top() + delta.y());
            }
            if (edges & Qt::BottomEdge) {
                target.setBottom(dragGeometry_.bottom() + delta.y());
            }
        }
        setGeometry(target);
        return;
    }
    SyncModifierKeyStates(event->modifiers());
    if (event->buttons() == Qt::NoButton) {
        updateHoverCursor(global);
    }
    dispatch(WM_MOUSEMOVE, mouseKeyFlags(event->buttons(), event->modifiers()),
             pointParam(event->position().toPoint()));
}

void Win32Widget::wheelEvent(QWheelEvent* event) {
    SyncModifierKeyStates(event->modifiers());
    LPARAM where = pointParam(event->globalPosition().toPoint());
    WPARAM keys = mouseKeyFlags(event->buttons(), event->modifiers());
    QPoint delta = event->angleDelta();
    if (delta.y() != 0) {
        dispatch(WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(keys), delta.y()), where);
    }
    if (delta.x() != 0) {
        dispatch(WM_MOUSEHWHEEL, MAKEWPARAM(static_cast<int>(keys), delta.x()), where);
    }
    event->accept();
}

void Win32Widget::keyPressEvent(QKeyEvent* event) {
    SyncModifierKeyStates(event->modifiers());
    int vk = VirtualKeyFromQtKey(event->key(), event->modifiers());
    RecordKeyState(vk, true);
    RecordKeyState(SidedModifierKey(event->key(), event->nativeScanCode()), true);
    bool alt =
        (event->modifiers() & Qt::AltModifier) && !(event->modifiers() & Qt::ControlModifier);
    LPARAM lParam = KeyMessageLParam(*event, false);
    if (vk != 0) {
        bool taken = false;
        dispatch(alt || vk == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(vk), lParam,
                 &taken);
        if (taken) {
            return;  // a translated message makes no character message
        }
    }
    for (QChar ch : event->text()) {
        dispatch(alt ? WM_SYSCHAR : WM_CHAR, ch.unicode(), lParam);
    }
}

void Win32Widget::keyReleaseEvent(QKeyEvent* event) {
    int vk = VirtualKeyFromQtKey(event->key(), event->modifiers());
    RecordKeyState(vk, false);
    RecordKeyState(SidedModifierKey(event->key(), event->nativeScanCode()), false);
    bool alt =
        (event->modifiers() & Qt::AltModifier) && !(event->modifiers() & Qt::ControlModifier);
    if (vk != 0) {
        dispatch(alt || vk == VK_MENU ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(vk),
                 KeyMessageLParam(*event, true));
    }
    SyncModifierKeyStates(event->modifiers());
}

void Win32Widget::focusInEvent(QFocusEvent*) {
    send(WM_SETFOCUS, 0, 0);
}

void Win32Widget::focusOutEvent(QFocusEvent*) {
    send(WM_KILLFOCUS, 0, 0);
}

void Win32Widget::leaveEvent(QEvent*) {
    dispatch(WM_MOUSELEAVE, 0, 0);
}

void Win32Widget::closeEvent(QCloseEvent* event) {
    // The window procedure decides: DefWindowProcA destroys the window on WM_CLOSE.
    event->ignore();
    send(WM_CLOSE, 0, 0);
}

void Win32Widget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isWindow()) {
        send(WM_NCACTIVATE, isActiveWindow() ? TRUE : FALSE, 0);
    }
    QWidget::changeEvent(event);
}

bool Win32Widget::focusNextPrevChild(bool) {
    return false;  // Tab is a key message like any other
}

}  // namespace orvex
