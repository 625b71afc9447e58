// ClientAppRender: the renderer's application object. Its render-process handler puts the
// fourteen bridge functions on the global object of every script context.
#pragma once

#include "cef3/browser/client_app.h"

class ClientAppRender : public ClientApp, public CefRenderProcessHandler {
  public:
    CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return nullptr; }

    // Binds every name of BridgeFunctionNames to one new V8Handler of this context, replacing
    // any member of that name. Render thread.
    void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                          CefRefPtr<CefV8Context> context) override;

    IMPLEMENT_REFCOUNTING(ClientAppRender);
};
