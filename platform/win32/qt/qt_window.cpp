#include "platform/win32/qt/qt_window.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include "platform/win32/qt/window_entry.h"
#include "support/gui_thread.h"
#include "support/text_conversion.h"

namespace orvex {
namespace {

// The handle table of the Qt windows (beside the core's table of message targets).
struct Registry {
    std::mutex mutex;
    std::map<HWND, std::shared_ptr<WindowEntry>> entries;
};

Registry& registry() {
    static Registry* instance = new Registry;  // lives until the process ends
    return *instance;
}

std::function<bool(const MSG&)>& preTranslator() {
    static std::function<bool(const MSG&)> hook;
    return hook;
}

HWND& captureWindow() {
    static HWND capture = nullptr;
    return capture;
}

// A posted window message on its way to the GUI thread.
class PostedMessageEvent : public QEvent {
  public:
    static QEvent::Type eventType() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit PostedMessageEvent(const MSG& msg) : QEvent(eventType()), msg(msg) {}
    MSG msg;
};

class QuitEvent : public QEvent {
  public:
    static QEvent::Type eventType() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit QuitEvent(int code) : QEvent(eventType()), code(code) {}
    int code;
};

// Lives on the GUI thread and hands posted messages to their windows, in posting order.
class MessageDispatcher : public QObject {
  public:
    bool event(QEvent* event) override {
        if (event->type() == PostedMessageEvent::eventType()) {
            const MSG& msg = static_cast<PostedMessageEvent*>(event)->msg;
            if (FindWindowEntry(msg.hwnd)) {
                DispatchWindowMessage(msg);
            }
            return true;
        }
        if (event->type() == QuitEvent::eventType()) {
            QCoreApplication::exit(static_cast<QuitEvent*>(event)->code);
            return true;
        }
        return QObject::event(event);
    }
};

MessageDispatcher* dispatcher() {
    static MessageDispatcher* instance = [] {
        auto* object = new MessageDispatcher;  // lives until the process ends
        if (QCoreApplication* app = QCoreApplication::instance()) {
            object->moveToThread(app->thread());
        }
        return object;
    }();
    return instance;
}

HWND registerEntry(std::shared_ptr<WindowEntry> entry) {
    HWND hwnd = RegisterWindow(entry);
    entry->hwnd = hwnd;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.entries[hwnd] = std::move(entry);
    return hwnd;
}

void unregisterEntry(HWND hwnd) {
    UnregisterWindow(hwnd);
    std::shared_ptr<WindowEntry> released;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.entries.find(hwnd);
    if (it != r.entries.end()) {
        released = std::move(it->second);
        r.entries.erase(it);
    }
    if (captureWindow() == hwnd) {
        captureWindow() = nullptr;
    }
}

QWidget* widgetOf(HWND hwnd) {
    std::shared_ptr<WindowEntry> entry = FindWindowEntry(hwnd);
    return entry ? entry->widget.data() : nullptr;
}

// Key state of the GUI thread: bit 0x80 down, bit 0x01 toggled.
unsigned char keyStates[256];

}  // namespace

std::shared_ptr<WindowEntry> FindWindowEntry(HWND hwnd) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.entries.find(hwnd);
    return it == r.entries.end() ? nullptr : it->second;
}

void WindowEntry::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg;
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    QCoreApplication::postEvent(dispatcher(), new PostedMessageEvent(msg));
}

bool WindowEntry::GetRect(RECT* rect) {
    if (!widget) {
        return false;
    }
    QRect geometry = widget->isWindow() ? widget->frameGeometry()
                                        : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    rect->left = geometry.left();
    rect->top = geometry.top();
    rect->right = geometry.left() + geometry.width();
    rect->bottom = geometry.top() + geometry.height();
    return true;
}

bool WindowEntry::Move(int x, int y, int width, int height, bool repaint) {
    if (!widget) {
        return false;
    }
    widget->setGeometry(x, y, width < 0 ? 0 : width, height < 0 ? 0 : height);
    if (repaint) {
        widget->update();
    }
    return true;
}

SIZE WindowEntry::MaxSize() {
    SIZE size = MessageTarget::MaxSize();
    // The offscreen platform's screen is a nominal 800 x 600: it only has the fixed limit.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        return size;
    }
    QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableVirtualGeometry();
        size.cx = std::min<LONG>(size.cx, area.width());
        size.cy = std::min<LONG>(size.cy, area.height());
    }
    return size;
}

HWND AttachWindowHandle(QWidget* widget, WindowProcedure* procedure, bool ownsWidget) {
    ORVEX_ASSERT_GUI_THREAD();
    auto entry = std::make_shared<WindowEntry>();
    entry->widget = widget;
    entry->procedure = procedure;
    entry->ownsWidget = ownsWidget;
    entry->style = static_cast<LONG>(widget->isWindow() ? WS_POPUP : WS_CHILD);
    dispatcher();
    HWND hwnd = registerEntry(entry);
    QObject::connect(widget, &QObject::destroyed, dispatcher(), [hwnd] { unregisterEntry(hwnd); });
    return hwnd;
}

HWND CreateMessageOnlyWindow(WindowProcedure* procedure) {
    ORVEX_ASSERT_GUI_THREAD();
    auto entry = std::make_shared<WindowEntry>();
    entry->procedure = procedure;
    entry->messageOnly = true;
    dispatcher();
    return registerEntry(entry);
}

void DetachWindowProcedure(HWND hwnd) {
    ORVEX_ASSERT_GUI_THREAD();
    if (std::shared_ptr<WindowEntry> entry = FindWindowEntry(hwnd)) {
        entry->procedure = nullptr;
    }
}

QWidget* WidgetFromHandle(HWND hwnd) {
    return widgetOf(hwnd);
}

HWND HandleFromWidget(const QWidget* widget) {
    if (widget == nullptr) {
        return nullptr;
    }
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const auto& [hwnd, entry] : r.entries) {
        if (entry->widget == widget) {
            return hwnd;
        }
    }
    return nullptr;
}

void SetMessagePreTranslator(std::function<bool(const MSG&)> hook) {
    ORVEX_ASSERT_GUI_THREAD();
    preTranslator() = std::move(hook);
}

LRESULT DispatchWindowMessage(const MSG& msg, bool* taken) {
    ORVEX_ASSERT_GUI_THREAD();
    if (taken != nullptr) {
        *taken = false;
    }
    if (preTranslator() && preTranslator()(msg)) {
        if (taken != nullptr) {
            *taken = true;
        }
        return 0;
    }
    return SendMessageA(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

int RunMessageLoop() {
    ORVEX_ASSERT_GUI_THREAD();
    return QApplication::exec();
}

void RecordKeyState(int virtualKey, bool down) {
    if (virtualKey <= 0 || virtualKey > 255) {
        return;
    }
    unsigned char& state = keyStates[virtualKey];
    bool toggles = virtualKey == VK_CAPITAL || virtualKey == VK_NUMLOCK || virtualKey == VK_SCROLL;
    if (down && toggles && (state & 0x80) == 0) {
        state ^= 0x01;
    }
    state = static_cast<unsigned char>(down ? (state | 0x80) : (state & ~0x80));
}

QPainter* PainterFromDC(HDC hdc) {
    return reinterpret_cast<QPainter*>(hdc);
}

HDC DCFromPainter(QPainter* painter) {
    return reinterpret_cast<HDC>(painter);
}

HCURSOR CursorFromShape(int qtCursorShape) {
    return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(qtCursorShape + 1));
}

int ShapeFromCursor(HCURSOR cursor) {
    uintptr_t value = reinterpret_cast<uintptr_t>(cursor);
    return value == 0 ? static_cast<int>(Qt::ArrowCursor) : static_cast<int>(value - 1);
}

BOOL GetWorkArea(HWND hwnd, RECT* area) {
    QWidget* widget = widgetOf(hwnd);
    QScreen* screen = widget != nullptr ? widget->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr || area == nullptr) {
        return FALSE;
    }
    QRect geometry = screen->availableGeometry();
    *area = RECT{geometry.left(), geometry.top(), geometry.left() + geometry.width(),
                 geometry.top() + geometry.height()};
    return TRUE;
}

}  // namespace orvex

using orvex::FindWindowEntry;
using orvex::widgetOf;

BOOL ShowWindow(HWND hwnd, int command) {
    ORVEX_ASSERT_GUI_THREAD();
    QWidget* widget = widgetOf(hwnd);
    if (widget == nullptr) {
        return FALSE;
    }
    BOOL wasVisible = widget->isVisible() ? TRUE : FALSE;
    switch (command) {
        case SW_HIDE:
            widget->hide();
            break;
        case SW_MAXIMIZE:
            widget->showMaximized();
            break;
        case SW_MINIMIZE:
            widget->showMinimized();
            break;
        case SW_SHOWNOACTIVATE:
            widget->setAttribute(Qt::WA_ShowWithoutActivating, true);
            widget->show();
            widget->setAttribute(Qt::WA_ShowWithoutActivating, false);
            break;
        case SW_RESTORE:
        case SW_SHOWNORMAL:
            if (widget->isWindow() && (widget->isMaximized() || widget->isMinimized())) {
                widget->showNormal();
            } else {
                widget->show();
            }
            if (widget->isWindow()) {
                widget->activateWindow();
            }
            break;
        default:
            widget->show();
            if (widget->isWindow()) {
                widget->activateWindow();
            }
            break;
    }
    return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd) {
    QWidget* widget = widgetOf(hwnd);
    return widget != nullptr && widget->isVisible() ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
    QWidget* widget = widgetOf(hwnd);
    return widget != nullptr && widget->isMaximized() ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
    QWidget* widget = widgetOf(hwnd);
    return widget != nullptr && widget->isMinimized() ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL /*erase*/) {
    ORVEX_ASSERT_GUI_THREAD();
    QWidget* widget = widgetOf(hwnd);
    if (widget == nullptr) {
        return FALSE;
    }
    if (rect == nullptr) {
        widget->update();
    } else {
        widget->update(
            QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top));
    }
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    QWidget* widget = widgetOf(hwnd);
    if (widget == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = RECT{0, 0, widget->width(), widget->height()};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    QWidget* widget = widgetOf(hwnd);
    if (widget == nullptr || point == nullptr) {
        return FALSE;
    }
    QPoint global = widget->mapToGlobal(QPoint(point->x, point->y));
    *point = POINT{global.x(), global.y()};
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    QWidget* widget = widgetOf(hwnd);
    if (widget == nullptr || point == nullptr) {
        return FALSE;
    }
    QPoint local = widget->mapFromGlobal(QPoint(point->x, point->y));
    *point = POINT{local.x(), local.y()};
    return TRUE;
}

BOOL SetWindowTextA(HWND hwnd, const char* text) {
    ORVEX_ASSERT_GUI_THREAD();
    QWidget* widget = widgetOf(hwnd);
    if (widget == nullptr || text == nullptr) {
        return FALSE;
    }
    widget->setWindowTitle(QString::fromStdString(orvex::AnsiToUtf8(text)));
    return TRUE;
}

HWND GetParent(HWND hwnd) {
    QWidget* widget = widgetOf(hwnd);
    for (QWidget* parent = widget != nullptr ? widget->parentWidget() : nullptr; parent != nullptr;
         parent = parent->parentWidget()) {
        if (HWND handle = orvex::HandleFromWidget(parent)) {
            return handle;
        }
    }
    return nullptr;
}

DWORD SetClassLongA(HWND hwnd, int index, LONG value) {
    ORVEX_ASSERT_GUI_THREAD();
    std::shared_ptr<orvex::WindowEntry> entry = FindWindowEntry(hwnd);
    if (!entry || index != GCL_HCURSOR) {
        return 0;
    }
    DWORD previous = entry->classCursor;
    entry->classCursor = static_cast<DWORD>(value);
    if (entry->widget) {
        HCURSOR cursor = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(entry->classCursor));
        entry->widget->setCursor(
            QCursor(static_cast<Qt::CursorShape>(orvex::ShapeFromCursor(cursor))));
    }
    return previous;
}

LONG GetWindowLongA(HWND hwnd, int index) {
    return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    std::shared_ptr<orvex::WindowEntry> entry = FindWindowEntry(hwnd);
    if (!entry) {
        return 0;
    }
    switch (index) {
        case GWL_STYLE:
            return entry->style;
        case GWL_EXSTYLE:
            return entry->exStyle;
        case GWL_USERDATA:
            return entry->userData;
        default:
            return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    std::shared_ptr<orvex::WindowEntry> entry = FindWindowEntry(hwnd);
    if (!entry) {
        return 0;
    }
    LONG_PTR previous = 0;
    switch (index) {
        case GWL_STYLE:
            previous = entry->style;
            entry->style = static_cast<LONG>(value);
            break;
        case GWL_EXSTYLE:
            previous = entry->exStyle;
            entry->exStyle = static_cast<LONG>(value);
            break;
        case GWL_USERDATA:
            previous = entry->userData;
            entry->userData = value;
            break;
        default:
            break;
    }
    return previous;
}

SHORT GetKeyState(int virtualKey) {
    if (virtualKey <= 0 || virtualKey > 255) {
        return 0;
    }
    unsigned char state = orvex::keyStates[virtualKey];
    return static_cast<SHORT>(((state & 0x80) != 0 ? 0x8000 : 0) | (state & 0x01));
}

HWND SetCapture(HWND hwnd) {
    ORVEX_ASSERT_GUI_THREAD();
    HWND previous = orvex::captureWindow();
    orvex::captureWindow() = FindWindowEntry(hwnd) ? hwnd : nullptr;
    if (previous != nullptr && previous != orvex::captureWindow()) {
        SendMessageA(previous, WM_CAPTURECHANGED, 0,
                     reinterpret_cast<LPARAM>(orvex::captureWindow()));
    }
    return previous;
}

BOOL ReleaseCapture() {
    ORVEX_ASSERT_GUI_THREAD();
    HWND previous = orvex::captureWindow();
    orvex::captureWindow() = nullptr;
    if (previous != nullptr) {
        SendMessageA(previous, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture() {
    return orvex::captureWindow();
}

HWND SetFocus(HWND hwnd) {
    ORVEX_ASSERT_GUI_THREAD();
    HWND previous = GetFocus();
    if (QWidget* widget = widgetOf(hwnd)) {
        if (widget->window() != nullptr) {
            widget->window()->activateWindow();
        }
        widget->setFocus(Qt::OtherFocusReason);
    }
    return previous;
}

HWND GetFocus() {
    for (QWidget* widget = QApplication::focusWidget(); widget != nullptr;
         widget = widget->parentWidget()) {
        if (HWND hwnd = orvex::HandleFromWidget(widget)) {
            return hwnd;
        }
    }
    return nullptr;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    ORVEX_ASSERT_GUI_THREAD();
    std::shared_ptr<orvex::WindowEntry> entry = FindWindowEntry(hwnd);
    if (!entry || entry->painter == nullptr || paint == nullptr) {
        return nullptr;
    }
    paint->hdc = orvex::DCFromPainter(entry->painter);
    paint->fErase = FALSE;
    paint->rcPaint = entry->paintRect;
    return paint->hdc;
}

BOOL EndPaint(HWND /*hwnd*/, const PAINTSTRUCT* /*paint*/) {
    ORVEX_ASSERT_GUI_THREAD();
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<orvex::WindowEntry> entry = FindWindowEntry(hwnd);
    if (!entry) {
        return 0;
    }
    if (entry->procedure != nullptr) {
        return entry->procedure->WindowProc(hwnd, message, wParam, lParam);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_NCHITTEST:
            return HTCLIENT;
        default:
            return 0;
    }
}

BOOL DestroyWindow(HWND hwnd) {
    ORVEX_ASSERT_GUI_THREAD();
    std::shared_ptr<orvex::WindowEntry> entry = FindWindowEntry(hwnd);
    if (!entry) {
        return FALSE;
    }
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    orvex::unregisterEntry(hwnd);
    if (entry->widget && entry->ownsWidget) {
        entry->widget->hide();
        entry->widget->deleteLater();
    }
    return TRUE;
}

UINT RegisterWindowMessageA(const char* name) {
    static std::mutex mutex;
    static std::map<std::string, UINT>* numbers = new std::map<std::string, UINT>;
    if (name == nullptr || *name == '\0') {
        return 0;
    }
    std::lock_guard<std::mutex> lock(mutex);
    auto it = numbers->find(name);
    if (it != numbers->end()) {
        return it->second;
    }
    UINT number = 0xC000u + static_cast<UINT>(numbers->size());
    (*numbers)[name] = number;
    return number;
}

void PostQuitMessage(int exitCode) {
    QCoreApplication::postEvent(orvex::dispatcher(), new orvex::QuitEvent(exitCode));
}
