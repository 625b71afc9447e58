#include "cef3/browser/client_app_browser.h"

void ClientAppBrowser::OnBeforeCommandLineProcessing(const CefString&,
                                                     CefRefPtr<CefCommandLine> commandLine) {
    commandLine->AppendSwitch("no-proxy-server");
    commandLine->AppendSwitch("--disable-gpu");
    commandLine->AppendSwitchWithValue("--renderer-process-limit", "1");
}
