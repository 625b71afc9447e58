// CCefBaseUI: the skin control that owns one embedded browser: it creates the browser when the
// skin initialises it, loads its address, keeps the browser's child window on the control's
// rectangle and visibility, and closes the browser when it goes away.
#pragma once

#include <mutex>
#include <string>

#include "platform/cef/cef_client.h"
#include "platform/duilib/control_ui.h"

// A browser reference that the GUI thread, the GUI thread and script pushers share.
class BrowserSlot {
  public:
    void Set(CefRefPtr<CefBrowser> browser) {
        std::lock_guard<std::mutex> lock(mutex_);
        browser_ = browser;
    }
    CefRefPtr<CefBrowser> Get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return browser_;
    }

  private:
    mutable std::mutex mutex_;
    CefRefPtr<CefBrowser> browser_;
};

class CCefBaseUI : public DuiLib::CControlUI, public DuiLib::IMessageFilterUI {
  public:
    // The base level's client: it knows its control and handles nothing.
    class ClientHandlerBase : public CefClient {
      public:
        explicit ClientHandlerBase(CCefBaseUI* owner) : m_pOwner(owner) {}

        CCefBaseUI* GetOwner() const { return m_pOwner; }
        // A client made before its control (with no owner) is bound to the control that takes
        // it. GUI thread.
        void SetOwner(CCefBaseUI* owner) { m_pOwner = owner; }

      protected:
        CCefBaseUI* m_pOwner;  // not counted; the control outlives its browser's calls

        IMPLEMENT_REFCOUNTING(ClientHandlerBase);
    };

    // Without a client, the control makes a ClientHandlerBase of its own. Registers the control
    // as a message filter of the manager's window. GUI thread.
    explicit CCefBaseUI(DuiLib::CPaintManagerUI* manager,
                        CefRefPtr<ClientHandlerBase> handler = nullptr);
    // Unregisters the filter and closes the browser (not forced). GUI thread.
    ~CCefBaseUI() override;

    DuiLib::LPCTSTR GetClass() const override { return "CCefBaseUI"; }
    // Shows or hides the browser's window at once, then the control. GUI thread.
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    // Creates the browser for the address (a child window at the control's rectangle).
    void DoInit() override;
    // "homepage" loads its value; other attributes as any control. GUI thread.
    void SetAttribute(DuiLib::LPCTSTR pstrName, DuiLib::LPCTSTR pstrValue) override;
    // Moves the browser's window onto the control's rectangle (and shows it), then paints.
    void DoPaint(HDC hDC, const RECT& rcPaint) override;
    // Asks the browser to close and drops it; without a browser nothing happens. GUI thread.
    virtual void CloseBrowser(bool forceClose);
    // The base level takes no messages.
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

    // Any thread.
    CefRefPtr<CefBrowser> GetBrowser() const { return m_browser.Get(); }
    CefRefPtr<CefFrame> GetMainFrame() const;
    HWND GetBrowserWindow() const;
    HWND GetHostWindow() const { return m_hostWnd; }
    // Keeps the address (UTF-8) and loads it when there is a browser. GUI thread.
    void LoadURL(const std::string& url);
    CefString GetURL() const { return m_url; }

    // Creates a browser into `destination` on the library's GUI thread (posting the creation
    // there from any other thread), then repaints the parent around it. Windowless creation
    // gives no browser on this engine. Any thread.
    static void CreateBrowser(BrowserSlot* destination, CefRefPtr<CefClient> client, HWND parent,
                              RECT rect, const CefString& url, bool windowless, bool transparent);

  protected:
    DuiLib::CPaintManagerUI* m_pPaintManager;
    BrowserSlot m_browser;
    CefRefPtr<ClientHandlerBase> m_handler;
    CefString m_url;
    HWND m_hostWnd;
};
