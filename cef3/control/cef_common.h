// CCefCommonUI: the browser control the program puts in its window. Its client shapes the
// context menu, reloads on F5, refuses drags that allow linking, posts page load results to the
// host window, saves the page's downloads in the user's download folder, hands pop-ups to the
// default web browser and routes the page's bridge calls; the control runs answer scripts in the
// page.
#pragma once

#include "cef3/control/cef_osrender.h"

class CCefCommonUI : public CCefOsRender {
  public:
    class ClientHandlerCommon : public ClientHandlerRender,
                                public CefLifeSpanHandler,
                                public CefContextMenuHandler,
                                public CefLoadHandler,
                                public CefDragHandler,
                                public CefDownloadHandler,
                                public CefKeyboardHandler {
      public:
        explicit ClientHandlerCommon(CCefCommonUI* owner) : ClientHandlerRender(owner) {}

        CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
        CefRefPtr<CefDownloadHandler> GetDownloadHandler() override { return this; }
        CefRefPtr<CefDragHandler> GetDragHandler() override { return this; }
        CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() override { return this; }
        CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
        CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }

        // The bridge router: a message from the render side goes to the installed page
        // bridge's router (see page_bridge.h) and is consumed; any other source is left
        // unhandled. GUI thread.
        bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId sourceProcess,
                                      CefRefPtr<CefProcessMessage> message) override;
        // Relabels the page and editing items, removes print, view source, back, forward and
        // redo, then keeps only the relabelled items (every other item would show the engine's
        // English label) and the separators between them. GUI thread.
        void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefContextMenuParams> params,
                                 CefRefPtr<CefMenuModel> model) override;
        void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override;
        // Posts WM_PAGE_LOAD_END with a PageLoadEnd to the host window. GUI thread.
        void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                       int httpStatusCode) override;
        // Posts WM_PAGE_LOAD_ERROR with a PageLoadError, except for aborted loads. GUI thread.
        void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         ErrorCode errorCode, const CefString& errorText,
                         const CefString& failedUrl) override;
        // True (the drag is cancelled) when the drag allows linking. GUI thread.
        bool OnDragEnter(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDragData> dragData,
                         DragOperationsMask mask) override;
        // An http or https pop-up opens in the user's default web browser; any other address is
        // refused with a debug line. Always cancelled here. GUI thread.
        bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           const CefString& targetUrl, const CefString& targetFrameName,
                           bool userGesture) override;
        // Saves the download in the user's download folder under the page's name, cleaned to a
        // plain name and numbered instead of replacing a file; when no file can be made there
        // the download is cancelled and WM_DOWNLOAD_END reports it. GUI thread.
        void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> item,
                              const CefString& suggestedName,
                              CefRefPtr<CefBeforeDownloadCallback> callback) override;
        // Posts WM_DOWNLOAD_END with a DownloadEnd when the download completes or is cancelled.
        // GUI thread.
        void OnDownloadUpdated(CefRefPtr<CefBrowser> browser,
                               CefRefPtr<CefDownloadItem> item) override;
        // Reloads on F5 and lets every key reach the page. GUI thread.
        bool OnPreKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent& event,
                           CefEventHandle osEvent, bool* isKeyboardShortcut) override;

        IMPLEMENT_REFCOUNTING(ClientHandlerCommon);
    };

    // Without a client, the control makes its ClientHandlerCommon. The manager's window becomes
    // the process-wide host window. GUI thread.
    explicit CCefCommonUI(DuiLib::CPaintManagerUI* manager,
                          CefRefPtr<ClientHandlerBase> handler = nullptr);
    ~CCefCommonUI() override;

    // A message already handled is left alone; others go to the off-screen level. GUI thread.
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    // Runs the UTF-8 script in the page's main frame without waiting; dropped without a
    // browser. Safe to call from any thread.
    void RunScript(const std::string& script);

    // The window hosting the most recently constructed control: load results are posted to it
    // and the bridge router posts to it and resizes it. Any thread.
    static HWND GetHostWindowHandle();
};
