#include "cef3/browser/cef_main_init.h"

#include <cstdlib>

#include "cef3/browser/client_app_browser.h"
#include "cef3/browser/client_app_render.h"

CefSettings CefMainInit::ProgramSettings() {
    CefSettings settings;
    settings.size = sizeof(CefSettings);
    settings.multi_threaded_message_loop = 1;
    settings.locale = "zh-CN";
    return settings;
}

CefMainInit::CefMainInit(const CefMainArgs& args, bool* multiThreadedLoop, bool* initialised) {
    CefRefPtr<CefCommandLine> commandLine = CefCommandLine::CreateCommandLine();
    commandLine->InitFromArgv(args.argc, args.argv);
    CefRefPtr<CefApp> application;
    switch (orvex::ProcessKindOf(*commandLine)) {
        case orvex::ProcessKind::Browser:
            application = new ClientAppBrowser();
            break;
        case orvex::ProcessKind::Renderer:
            application = new ClientAppRender();
            break;
        case orvex::ProcessKind::Other:
            application = new ClientApp();
            break;
    }
    int exitCode = CefExecuteProcess(args, application, nullptr);
    if (exitCode >= 0) {
        std::exit(exitCode);
    }
    CefSettings settings = ProgramSettings();
    // The engine's renderer runs no program code; the renderer's application object binds the
    // page contexts from this process.
    CefSetRendererApplication(new ClientAppRender());
    bool ok = CefInitialize(args, settings, application, nullptr);
    if (initialised != nullptr) {
        *initialised = ok;
    }
    if (multiThreadedLoop != nullptr) {
        *multiThreadedLoop = settings.multi_threaded_message_loop != 0;
    }
}

CefMainInit::~CefMainInit() {
    CefShutdown();
}
