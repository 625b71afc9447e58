// ClientAppBrowser: the browser process's application object; it adds the program's switches
// to the engine's command line.
#pragma once

#include "cef3/browser/client_app.h"

class ClientAppBrowser : public ClientApp, public CefBrowserProcessHandler {
  public:
    // Appends, in this order: "no-proxy-server", "--disable-gpu", "--renderer-process-limit"=1.
    // GUI thread, during CefInitialize.
    void OnBeforeCommandLineProcessing(const CefString& processType,
                                       CefRefPtr<CefCommandLine> commandLine) override;
    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
    CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return nullptr; }
    CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() override { return nullptr; }

    IMPLEMENT_REFCOUNTING(ClientAppBrowser);
};
