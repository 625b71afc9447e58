#include "cef3/control/cef_base.h"

#include "platform/cef/cef_task.h"
#include "platform/duilib/paint_manager_ui.h"
#include "platform/win32/qt/qt_window.h"
#include "support/gui_thread.h"
#include "support/text_conversion.h"

CCefBaseUI::CCefBaseUI(DuiLib::CPaintManagerUI* manager, CefRefPtr<ClientHandlerBase> handler)
    : m_pPaintManager(manager),
      m_handler(handler ? handler : CefRefPtr<ClientHandlerBase>(new ClientHandlerBase(this))),
      m_url("about:blank"),
      m_hostWnd(manager != nullptr ? manager->GetPaintWindow() : nullptr) {
    ORVEX_ASSERT_GUI_THREAD();
    if (m_handler->GetOwner() == nullptr) {
        m_handler->SetOwner(this);
    }
    if (m_pPaintManager != nullptr) {
        m_pPaintManager->AddMessageFilter(this);
    }
}

CCefBaseUI::~CCefBaseUI() {
    if (m_pPaintManager != nullptr) {
        m_pPaintManager->RemoveMessageFilter(this);
    }
    CloseBrowser(false);
}

void CCefBaseUI::SetVisible(bool bVisible) {
    ORVEX_ASSERT_GUI_THREAD();
    ShowWindow(GetBrowserWindow(), bVisible ? SW_SHOWNORMAL : SW_HIDE);
    CControlUI::SetVisible(bVisible);
}

void CCefBaseUI::SetInternVisible(bool bVisible) {
    ORVEX_ASSERT_GUI_THREAD();
    ShowWindow(GetBrowserWindow(), bVisible ? SW_SHOWNORMAL : SW_HIDE);
    CControlUI::SetInternVisible(bVisible);
}

void CCefBaseUI::DoInit() {
    CreateBrowser(&m_browser, nullptr, m_hostWnd, m_rcItem, m_url, false, false);
}

void CCefBaseUI::SetAttribute(DuiLib::LPCTSTR pstrName, DuiLib::LPCTSTR pstrValue) {
    ORVEX_ASSERT_GUI_THREAD();
    if (std::string(pstrName) == "homepage") {
        LoadURL(orvex::AnsiToUtf8(pstrValue));
        return;
    }
    CControlUI::SetAttribute(pstrName, pstrValue);
}

void CCefBaseUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    ORVEX_ASSERT_GUI_THREAD();
    CefRefPtr<CefBrowser> browser = GetBrowser();
    if (IsVisible() && browser) {
        HWND window = browser->GetHost()->GetWindowHandle();
        MoveWindow(window, m_rcItem.left, m_rcItem.top, m_rcItem.right - m_rcItem.left,
                   m_rcItem.bottom - m_rcItem.top, TRUE);
        if (!IsWindowVisible(window)) {
            ShowWindow(window, SW_SHOWNORMAL);
        }
    }
    CControlUI::DoPaint(hDC, rcPaint);
}

void CCefBaseUI::CloseBrowser(bool forceClose) {
    ORVEX_ASSERT_GUI_THREAD();
    if (CefRefPtr<CefBrowser> browser = GetBrowser()) {
        browser->GetHost()->CloseBrowser(forceClose);
        m_browser.Set(nullptr);
    }
}

LRESULT CCefBaseUI::MessageHandler(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

CefRefPtr<CefFrame> CCefBaseUI::GetMainFrame() const {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    return browser ? browser->GetMainFrame() : nullptr;
}

HWND CCefBaseUI::GetBrowserWindow() const {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    return browser ? browser->GetHost()->GetWindowHandle() : nullptr;
}

void CCefBaseUI::LoadURL(const std::string& url) {
    ORVEX_ASSERT_GUI_THREAD();
    m_url = CefString(url);
    if (CefRefPtr<CefFrame> frame = GetMainFrame()) {
        frame->LoadURL(m_url);
    }
}

void CCefBaseUI::CreateBrowser(BrowserSlot* destination, CefRefPtr<CefClient> client, HWND parent,
                               RECT rect, const CefString& url, bool windowless, bool transparent) {
    if (destination == nullptr) {
        return;
    }
    if (!CefCurrentlyOn(TID_UI)) {
        CefPostTask(TID_UI, CefCreateClosureTask([=] {
                        CreateBrowser(destination, client, parent, rect, url, windowless,
                                      transparent);
                    }));
        return;
    }
    CefWindowInfo info;
    CefBrowserSettings settings;
    if (windowless) {
        info.SetAsWindowless(parent, transparent);
    } else {
        info.SetAsChild(parent, rect);
    }
    destination->Set(CefBrowserHost::CreateBrowserSync(info, client, url, settings, nullptr));
    RECT clientArea;
    GetClientRect(parent, &clientArea);
    InvalidateRect(parent, &clientArea, TRUE);
}
