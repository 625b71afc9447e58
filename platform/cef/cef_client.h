// CefClient: a browser's client, which hands out its handlers and receives process messages.
#pragma once

#include "platform/cef/cef_handlers.h"

class CefClient : public virtual CefBaseRefCounted {
  public:
    virtual CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() { return nullptr; }
    virtual CefRefPtr<CefDownloadHandler> GetDownloadHandler() { return nullptr; }
    virtual CefRefPtr<CefDragHandler> GetDragHandler() { return nullptr; }
    virtual CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() { return nullptr; }
    virtual CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() { return nullptr; }
    virtual CefRefPtr<CefLoadHandler> GetLoadHandler() { return nullptr; }
    virtual CefRefPtr<CefRenderHandler> GetRenderHandler() { return nullptr; }
    // A message from the other side; true when handled. GUI thread.
    virtual bool OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefProcessId,
                                          CefRefPtr<CefProcessMessage>) {
        return false;
    }
};
