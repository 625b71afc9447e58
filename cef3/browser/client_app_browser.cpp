#include "cef3/browser/client_app_browser.h"
#include "support/gui_thread.h"

void ClientAppBrowser::OnBeforeCommandLineProcessing(const CefString&,
                                                     CefRefPtr<CefCommandLine> commandLine) {
    ORVEX_ASSERT_GUI_THREAD();
    commandLine->AppendSwitch("no-proxy-server");
    commandLine->AppendSwitch("--disable-gpu");
    commandLine->AppendSwitchWithValue("--renderer-process-limit", "1");
}
