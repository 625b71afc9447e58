// The browser objects of the library API: CefBrowser, its host CefBrowserHost, its frames
// CefFrame, and the window information and settings of browser creation.
#pragma once

#include "platform/cef/cef_base.h"
#include "platform/cef/cef_types.h"
#include "platform/cef/cef_values.h"

class CefBrowser;
class CefClient;
// Browsers share the engine's default profile; no other request context exists.
class CefRequestContext : public virtual CefBaseRefCounted {};

// Where a new browser lives: a child window of a parent at a rectangle, or windowless.
struct CefWindowInfo {
    CefWindowHandle parent_window = nullptr;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool windowless_rendering_enabled = false;
    bool transparent_painting_enabled = false;

    void SetAsChild(CefWindowHandle parent, RECT windowRect) {
        parent_window = parent;
        x = windowRect.left;
        y = windowRect.top;
        width = windowRect.right - windowRect.left;
        height = windowRect.bottom - windowRect.top;
        windowless_rendering_enabled = false;
    }
    void SetAsWindowless(CefWindowHandle parent, bool transparent) {
        parent_window = parent;
        windowless_rendering_enabled = true;
        transparent_painting_enabled = transparent;
    }
};

// Per-browser settings; the defaults are the engine's.
struct CefBrowserSettings {
    size_t size = sizeof(CefBrowserSettings);
};

// A frame of a browser's page.
class CefFrame : public virtual CefBaseRefCounted {
  public:
    virtual bool IsValid() = 0;
    virtual bool IsMain() = 0;
    virtual int64_t GetIdentifier() = 0;
    // The frame's current address. Any thread.
    virtual CefString GetURL() = 0;
    virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
    // Runs the script in the frame without waiting; `scriptUrl` and `startLine` name it in
    // error reports. Any thread.
    virtual void ExecuteJavaScript(const CefString& code, const CefString& scriptUrl,
                                   int startLine) = 0;
    // Navigates the frame. Any thread.
    virtual void LoadURL(const CefString& url) = 0;
};

// The browser's host side: its window, its client, closing and (windowless) input.
class CefBrowserHost : public virtual CefBaseRefCounted {
  public:
    // Creates a browser on the GUI thread and returns it, or null when it cannot be created
    // (no parent window; windowless rendering is not available). GUI thread only.
    static CefRefPtr<CefBrowser> CreateBrowserSync(const CefWindowInfo& windowInfo,
                                                   CefRefPtr<CefClient> client,
                                                   const CefString& url,
                                                   const CefBrowserSettings& settings,
                                                   CefRefPtr<CefRequestContext> requestContext);

    virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
    // Closes the browser; its window goes away and the life-span handler hears of it.
    virtual void CloseBrowser(bool forceClose) = 0;
    virtual CefWindowHandle GetWindowHandle() = 0;
    virtual CefRefPtr<CefClient> GetClient() = 0;
    // Windowless browsers only: view size changes, repaint requests and input.
    virtual void WasResized() = 0;
    virtual void Invalidate(PaintElementType type) = 0;
    virtual void SendKeyEvent(const CefKeyEvent& event) = 0;
    virtual void SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouseUp,
                                     int clickCount) = 0;
    virtual void SendMouseMoveEvent(const CefMouseEvent& event, bool mouseLeave) = 0;
    virtual void SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) = 0;
    virtual void SendFocusEvent(bool setFocus) = 0;
    virtual void SendCaptureLostEvent() = 0;
};

class CefBrowser : public virtual CefBaseRefCounted {
  public:
    virtual CefRefPtr<CefBrowserHost> GetHost() = 0;
    virtual int GetIdentifier() = 0;
    virtual bool IsSame(CefRefPtr<CefBrowser> that) = 0;
    virtual bool IsLoading() = 0;
    virtual void Reload() = 0;
    virtual void ReloadIgnoreCache() = 0;
    virtual void StopLoad() = 0;
    virtual CefRefPtr<CefFrame> GetMainFrame() = 0;
    // Sends the message to the other side without waiting: to PID_BROWSER from the render
    // side (the client's OnProcessMessageReceived receives it with source PID_RENDERER).
    virtual bool SendProcessMessage(CefProcessId targetProcess,
                                    CefRefPtr<CefProcessMessage> message) = 0;
};
