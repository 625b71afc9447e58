// QtBrowser and QtFrame: a browser of the library API as a QWebEngineView child window, with
// its main frame and the frames of sub-frame script contexts.
#pragma once

#include <QPointer>
#include <memory>
#include <mutex>

#include "platform/cef/cef_app.h"
#include "platform/cef/cef_client.h"

class QContextMenuEvent;
class QDragEnterEvent;
class QKeyEvent;
class QRect;
class QWidget;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEnginePage;

namespace orvex::cefqt {

class BrowserView;
class RenderBridge;

// The part of a browser that any thread may read: its address and whether it is alive.
struct PageHandle {
    std::mutex mutex;
    std::u16string url;          // guarded by mutex
    bool loading = false;        // guarded by mutex
    QPointer<BrowserView> view;  // GUI thread only
};

class QtBrowser : public CefBrowser, public CefBrowserHost {
  public:
    // Creates the view as a child of `parent` at `rect` and starts loading `url`. GUI thread.
    static CefRefPtr<QtBrowser> Create(QWidget* parent, const QRect& rect,
                                       CefRefPtr<CefClient> client, const CefString& url);

    // CefBrowser
    CefRefPtr<CefBrowserHost> GetHost() override { return this; }
    int GetIdentifier() override { return id_; }
    bool IsSame(CefRefPtr<CefBrowser> that) override { return that.get() == this; }
    bool IsLoading() override;
    void Reload() override;
    void ReloadIgnoreCache() override;
    void StopLoad() override;
    CefRefPtr<CefFrame> GetMainFrame() override;
    bool SendProcessMessage(CefProcessId targetProcess,
                            CefRefPtr<CefProcessMessage> message) override;

    // CefBrowserHost
    CefRefPtr<CefBrowser> GetBrowser() override { return this; }
    void CloseBrowser(bool forceClose) override;
    CefWindowHandle GetWindowHandle() override { return hwnd_; }
    CefRefPtr<CefClient> GetClient() override { return client_; }
    // Windowed browsers take no synthetic view input (as in the library).
    void WasResized() override {}
    void Invalidate(PaintElementType) override {}
    void SendKeyEvent(const CefKeyEvent&) override {}
    void SendMouseClickEvent(const CefMouseEvent&, MouseButtonType, bool, int) override {}
    void SendMouseMoveEvent(const CefMouseEvent&, bool) override {}
    void SendMouseWheelEvent(const CefMouseEvent&, int, int) override {}
    void SendFocusEvent(bool) override {}
    void SendCaptureLostEvent() override {}

    // From the view and the engine, on the GUI thread.
    void OnLoadingChanged(const QWebEngineLoadingInfo& info);
    void OnUrlChanged(const QString& url);
    bool OnPreKey(QKeyEvent* event);
    bool OnDragEnter(QDragEnterEvent* event);
    void OnContextMenu(QContextMenuEvent* event);
    void OnNewWindowRequested(QWebEngineNewWindowRequest& request);
    // A download of this browser's page: the download handler chooses the path or the download
    // is cancelled. GUI thread.
    void OnDownloadRequested(QWebEngineDownloadRequest* request);
    // Whether `page` is this browser's page. GUI thread.
    bool Shows(const QWebEnginePage* page) const;
    void OnViewDestroyed();
    // A frame object for a sub-frame's context.
    CefRefPtr<CefFrame> MakeSubFrame(const CefString& url);
    // Closes at once (CefShutdown). GUI thread.
    void CloseNow();

  private:
    QtBrowser(CefRefPtr<CefClient> client, int id);
    void finishClose();

    const int id_;
    CefRefPtr<CefClient> client_;
    std::shared_ptr<PageHandle> handle_ = std::make_shared<PageHandle>();
    HWND hwnd_ = nullptr;
    QPointer<RenderBridge> bridge_;
    bool closed_ = false;
    int64_t nextFrameId_ = 2;

    IMPLEMENT_REFCOUNTING(QtBrowser);
};

class QtFrame : public CefFrame {
  public:
    QtFrame(CefRefPtr<QtBrowser> browser, std::shared_ptr<PageHandle> handle, bool main, int64_t id,
            CefString url);

    bool IsValid() override;
    bool IsMain() override { return main_; }
    int64_t GetIdentifier() override { return id_; }
    CefString GetURL() override;
    CefRefPtr<CefBrowser> GetBrowser() override { return browser_.get(); }
    // Main frame only: the engine runs scripts and loads in the top-level document; for a
    // sub-frame both are dropped.
    void ExecuteJavaScript(const CefString& code, const CefString& scriptUrl,
                           int startLine) override;
    void LoadURL(const CefString& url) override;

  private:
    CefRefPtr<QtBrowser> browser_;
    std::shared_ptr<PageHandle> handle_;
    const bool main_;
    const int64_t id_;
    const CefString url_;

    IMPLEMENT_REFCOUNTING(QtFrame);
};

}  // namespace orvex::cefqt
