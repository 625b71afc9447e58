#include "cef3/control/cef_osrender.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

#include "cef3/browser/main_message_loop.h"
#include "cef3/control/os_input.h"
#include "platform/cef/cef_task.h"
#include "platform/duilib/paint_manager_ui.h"
#include "platform/win32/qt/qt_window.h"
#include "support/gui_thread.h"

namespace {

// Copies `rows` rows of `rowBytes` from the frame to the store at the same offsets; the opaque
// store's alpha bytes are set so the image stays a valid opaque one.
void copyRows(uchar* store, const uchar* frame, size_t offset, int rows, size_t rowBytes,
              size_t stride, bool opaque) {
    for (int row = 0; row < rows; ++row) {
        uchar* target = store + offset + static_cast<size_t>(row) * stride;
        std::memcpy(target, frame + offset + static_cast<size_t>(row) * stride, rowBytes);
        if (opaque) {
            for (size_t alpha = 3; alpha < rowBytes; alpha += 4) {
                target[alpha] = 0xFF;
            }
        }
    }
}

}  // namespace

CCefOsRender::ClientHandlerRender::ClientHandlerRender(CCefOsRender* owner)
    : ClientHandlerBase(owner) {}

CCefOsRender::ClientHandlerRender::~ClientHandlerRender() = default;

HWND CCefOsRender::ClientHandlerRender::hostWindow() {
    if (m_hostWnd == nullptr && m_pOwner != nullptr) {
        m_hostWnd = m_pOwner->GetHostWindow();
    }
    return m_hostWnd;
}

CefRefPtr<CefRenderHandler> CCefOsRender::ClientHandlerRender::GetRenderHandler() {
    if (m_pOwner != nullptr && owner()->IsOffscreen() && IsWindow(hostWindow())) {
        return this;
    }
    return nullptr;
}

bool CCefOsRender::ClientHandlerRender::GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) {
    ORVEX_ASSERT_GUI_THREAD();
    if (m_pOwner == nullptr) {
        return false;
    }
    int width = m_pOwner->GetWidth();
    int height = m_pOwner->GetHeight();
    if (width == 0 || height == 0) {
        return false;
    }
    rect = CefRect(0, 0, width, height);
    return true;
}

bool CCefOsRender::ClientHandlerRender::GetScreenPoint(CefRefPtr<CefBrowser>, int viewX, int viewY,
                                                       int& screenX, int& screenY) {
    ORVEX_ASSERT_GUI_THREAD();
    POINT pt{viewX, viewY};
    ClientToScreen(hostWindow(), &pt);
    screenX = pt.x + (m_pOwner != nullptr ? m_pOwner->GetX() : 0);
    screenY = pt.y + (m_pOwner != nullptr ? m_pOwner->GetY() : 0);
    return true;
}

void CCefOsRender::ClientHandlerRender::OnPaint(CefRefPtr<CefBrowser>, PaintElementType,
                                                const RectList& dirtyRects, const void* buffer,
                                                int width, int height) {
    if (!IsWindow(hostWindow()) || buffer == nullptr || width <= 0 || height <= 0 ||
        m_pOwner == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    bool transparent = owner()->IsTransparent();
    bool fits = (transparent ? m_transparentStore != nullptr : m_opaqueStore != nullptr) &&
                m_width == width && m_height == height;
    const auto* frame = static_cast<const uchar*>(buffer);
    size_t stride = static_cast<size_t>(width) * 4;
    if (fits) {
        for (const CefRect& dirty : dirtyRects) {
            // Rectangles reaching outside the frame are cut to it.
            int x = std::max(0, dirty.x);
            int y = std::max(0, dirty.y);
            int right = std::min(width, dirty.x + dirty.width);
            int bottom = std::min(height, dirty.y + dirty.height);
            if (right <= x || bottom <= y) {
                continue;
            }
            size_t offset = (static_cast<size_t>(x) + static_cast<size_t>(y) * width) * 4;
            copyRows(m_pixels, frame, offset, bottom - y, static_cast<size_t>(right - x) * 4,
                     stride, !transparent);
        }
    } else {
        m_transparentStore.reset();
        m_opaqueStore.reset();
        m_pixels = nullptr;
        auto store = std::make_unique<QImage>(
            width, height,
            transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        if (store->isNull() || static_cast<size_t>(store->bytesPerLine()) != stride) {
            m_width = m_height = 0;  // the frame is abandoned
            return;
        }
        m_pixels = store->bits();
        copyRows(m_pixels, frame, 0, height, stride, stride, !transparent);
        (transparent ? m_transparentStore : m_opaqueStore) = std::move(store);
        m_width = width;
        m_height = height;
    }
    Invalidate();
}

void CCefOsRender::ClientHandlerRender::OnCursorChange(CefRefPtr<CefBrowser>,
                                                       CefCursorHandle cursor, CursorType,
                                                       const CefCursorInfo&) {
    ORVEX_ASSERT_GUI_THREAD();
    SetClassLongA(hostWindow(), GCL_HCURSOR,
                  static_cast<LONG>(reinterpret_cast<uintptr_t>(cursor)));
}

void CCefOsRender::ClientHandlerRender::Invalidate() {
    CMainMessageLoopWin* loop = CMainMessageLoopWin::GetMainMessageLoop();
    bool onMainThread = loop != nullptr ? loop->RunsTasksOnCurrentThread() : CefCurrentlyOn(TID_UI);
    if (!onMainThread) {
        CefRefPtr<ClientHandlerRender> self(this);
        if (loop != nullptr) {
            loop->PostClosure([self] { self->Invalidate(); });
        } else {
            CefPostTask(TID_UI, CefCreateClosureTask([self] { self->Invalidate(); }));
        }
        return;
    }
    CefCheck(m_pOwner != nullptr, "m_pOwner != NULL");
    if (IsWindow(hostWindow())) {
        m_pOwner->Invalidate();
    }
}

void CCefOsRender::ClientHandlerRender::Paint(HDC hDC) {
    ORVEX_ASSERT_GUI_THREAD();
    CMainMessageLoopWin* loop = CMainMessageLoopWin::GetMainMessageLoop();
    CefCheck(loop != nullptr && loop->RunsTasksOnCurrentThread(),
             "CMainMessageLoopWin::GetMainMessageLoop()->RunsTasksOnCurrentThread()");
    if (m_pOwner == nullptr) {
        return;
    }
    QRect area(0, 0, m_pOwner->GetWidth(), m_pOwner->GetHeight());
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_pOwner->IsVisible()) {
        return;
    }
    QPainter* painter = orvex::PainterFromDC(hDC);
    QPoint destination(m_pOwner->GetX() + area.x(), m_pOwner->GetY() + area.y());
    if (m_transparentStore) {
        // Premultiplied pixels blend over what the skin painted there.
        painter->drawImage(destination, *m_transparentStore, area);
    } else if (m_opaqueStore) {
        painter->save();
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        painter->drawImage(destination, *m_opaqueStore, area);
        painter->restore();
    }
}

QImage CCefOsRender::ClientHandlerRender::StoreCopy() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_transparentStore) {
        return m_transparentStore->copy();
    }
    return m_opaqueStore ? m_opaqueStore->copy() : QImage();
}

CCefOsRender::CCefOsRender(DuiLib::CPaintManagerUI* manager, CefRefPtr<ClientHandlerBase> handler)
    : CCefBaseUI(manager,
                 handler ? handler : CefRefPtr<ClientHandlerBase>(new ClientHandlerRender(this))) {}

CCefOsRender::~CCefOsRender() = default;

void CCefOsRender::SetVisible(bool bVisible) {
    ORVEX_ASSERT_GUI_THREAD();
    if (m_bOffscreen) {
        CControlUI::SetVisible(bVisible);
    } else {
        CCefBaseUI::SetVisible(bVisible);
    }
}

void CCefOsRender::SetInternVisible(bool bVisible) {
    ORVEX_ASSERT_GUI_THREAD();
    if (m_bOffscreen) {
        CControlUI::SetInternVisible(bVisible);
    } else {
        CCefBaseUI::SetInternVisible(bVisible);
    }
}

void CCefOsRender::DoInit() {
    CreateBrowser(&m_browser, m_handler.get(), m_pPaintManager->GetPaintWindow(), m_rcItem, m_url,
                  m_bOffscreen, m_bTransparent);
}

void CCefOsRender::DoEvent(DuiLib::TEventUI& event) {
    ORVEX_ASSERT_GUI_THREAD();
    if (event.Type == DuiLib::UIEVENT_MOUSEMOVE) {
        mouseMove(event.ptMouse, event.wParam, false);
    } else if (event.Type == DuiLib::UIEVENT_MOUSELEAVE) {
        mouseMove(event.ptMouse, event.wParam, true);
    }
    CCefBaseUI::DoEvent(event);
}

void CCefOsRender::SetAttribute(DuiLib::LPCTSTR pstrName, DuiLib::LPCTSTR pstrValue) {
    std::string name = pstrName;
    if (name == "offscreen") {
        m_bOffscreen = std::string(pstrValue) == "true";
    } else if (name == "transparent") {
        m_bTransparent = std::string(pstrValue) == "true";
    } else {
        CCefBaseUI::SetAttribute(pstrName, pstrValue);
    }
}

void CCefOsRender::DoPaint(HDC hDC, const RECT& rcPaint) {
    ORVEX_ASSERT_GUI_THREAD();
    CefRefPtr<CefBrowser> browser = GetBrowser();
    if (!browser || !m_bOffscreen) {
        CCefBaseUI::DoPaint(hDC, rcPaint);
        return;
    }
    RECT overlap;
    if (!IntersectRect(&overlap, &rcPaint, &m_rcItem)) {
        return;
    }
    CefRefPtr<CefClient> client = browser->GetHost()->GetClient();
    browser->GetHost()->WasResized();
    CControlUI::DoPaint(hDC, rcPaint);
    if (auto* render = dynamic_cast<ClientHandlerRender*>(client.get())) {
        render->Paint(hDC);
    }
}

LRESULT CCefOsRender::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    ORVEX_ASSERT_GUI_THREAD();
    switch (uMsg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            mouseClick(uMsg, wParam, lParam);
            bHandled = false;
            return 0;
        case WM_MOUSEWHEEL:
            mouseWheel(wParam, lParam);
            bHandled = false;
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_SYSCHAR:
            bHandled = key(uMsg, wParam, lParam);
            return 0;
        case WM_CANCELMODE:
        case WM_CAPTURECHANGED:
            if (CefRefPtr<CefBrowser> browser = GetBrowser()) {
                browser->GetHost()->SendCaptureLostEvent();
            }
            bHandled = false;
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (CefRefPtr<CefBrowser> browser = GetBrowser()) {
                CefRefPtr<CefBrowserHost> host = browser->GetHost();
                bool focus = uMsg == WM_SETFOCUS;
                CefPostTask(TID_UI,
                            CefCreateClosureTask([host, focus] { host->SendFocusEvent(focus); }));
            }
            bHandled = false;
            return 0;
        case WM_SIZE:
            if (CefRefPtr<CefBrowser> browser = GetBrowser()) {
                browser->GetHost()->Invalidate(PET_VIEW);
            }
            bHandled = false;
            return 0;
        default:
            return CCefBaseUI::MessageHandler(uMsg, wParam, lParam, bHandled);
    }
}

void CCefOsRender::mouseClick(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    CefRefPtr<CefBrowser> browser = GetBrowser();
    if (!PtInRect(&m_rcItem, pt) || !IsVisible() || !browser) {
        return;
    }
    CefMouseEvent event;
    event.x = pt.x - m_rcItem.left;
    event.y = pt.y - m_rcItem.top;
    event.modifiers = orvex::MouseEventFlags(wParam);
    MouseButtonType button = MBT_MIDDLE;
    if (uMsg == WM_LBUTTONDOWN || uMsg == WM_LBUTTONUP) {
        button = MBT_LEFT;
    } else if (uMsg == WM_RBUTTONDOWN || uMsg == WM_RBUTTONUP) {
        button = MBT_RIGHT;
    }
    bool mouseUp = uMsg == WM_LBUTTONUP || uMsg == WM_RBUTTONUP || uMsg == WM_MBUTTONUP;
    CefRefPtr<CefBrowserHost> host = browser->GetHost();
    CefPostTask(TID_UI, CefCreateClosureTask([host, event, button, mouseUp] {
                    host->SendMouseClickEvent(event, button, mouseUp, 1);
                }));
}

void CCefOsRender::mouseMove(POINT pt, WPARAM keys, bool leave) {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    if (!browser || !IsVisible() || (!leave && !PtInRect(&m_rcItem, pt))) {
        return;
    }
    CefMouseEvent event;
    event.x = pt.x - m_rcItem.left;
    event.y = pt.y - m_rcItem.top;
    event.modifiers = orvex::MouseEventFlags(keys);
    browser->GetHost()->SendMouseMoveEvent(event, leave);
}

void CCefOsRender::mouseWheel(WPARAM wParam, LPARAM lParam) {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    if (!browser) {
        return;
    }
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(m_hostWnd, &pt);
    if (!PtInRect(&m_rcItem, pt) || !IsVisible()) {
        return;
    }
    CefMouseEvent event;
    event.x = pt.x - m_rcItem.left;
    event.y = pt.y - m_rcItem.top;
    event.modifiers = orvex::MouseEventFlags(wParam);
    int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    if (GetKeyState(VK_SHIFT) < 0) {
        browser->GetHost()->SendMouseWheelEvent(event, delta, 0);
    } else {
        browser->GetHost()->SendMouseWheelEvent(event, 0, delta);
    }
}

bool CCefOsRender::key(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    if (!IsFocused() || !IsVisible() || !browser) {
        return false;
    }
    browser->GetHost()->SendKeyEvent(orvex::KeyEventFromMessage(uMsg, wParam, lParam));
    return true;
}
