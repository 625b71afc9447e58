// The process entry of the browser library: the application object and its process handlers,
// the main arguments and settings, CefExecuteProcess, CefInitialize, CefShutdown and the loop.
//
// On this platform the engine is Qt WebEngine. The program's executable is the engine's
// sub-process (QTWEBENGINEPROCESS_PATH points at it and CefExecuteProcess runs the engine's
// process code when started with --type=). The engine's renderer runs no program code: the
// render-process handler of the renderer application (CefSetRendererApplication) is called in
// the browser process, where the browser layer mirrors every page context for it.
#pragma once

#include "platform/cef/cef_browser.h"
#include "platform/cef/cef_command_line.h"
#include "platform/cef/cef_v8.h"

// Resource bundles are the engine's own; no handler is asked.
class CefResourceBundleHandler : public virtual CefBaseRefCounted {};

// The process's arguments (what the instance handle stands for on Windows).
struct CefMainArgs {
    int argc = 0;
    char** argv = nullptr;
    CefMainArgs() = default;
    CefMainArgs(int argc, char** argv) : argc(argc), argv(argv) {}
};

struct CefSettings {
    size_t size = 0;
    int no_sandbox = 0;
    int multi_threaded_message_loop = 0;
    int windowless_rendering_enabled = 0;
    int command_line_args_disabled = 0;
    int remote_debugging_port = 0;
    CefString locale;
    CefString accept_language_list;
};

class CefBrowserProcessHandler : public virtual CefBaseRefCounted {
  public:
    // After initialisation, on the GUI thread.
    virtual void OnContextInitialized() {}
};

class CefRenderProcessHandler : public virtual CefBaseRefCounted {
  public:
    // A script context was created for a frame's document (every frame, every navigation),
    // before the page's own scripts run there. Render thread.
    virtual void OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                  CefRefPtr<CefV8Context>) {}
    virtual void OnContextReleased(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                   CefRefPtr<CefV8Context>) {}
};

class CefApp : public virtual CefBaseRefCounted {
  public:
    // The browser process's command line before the engine starts; `processType` is empty.
    virtual void OnBeforeCommandLineProcessing(const CefString& /*processType*/,
                                               CefRefPtr<CefCommandLine> /*commandLine*/) {}
    virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() { return nullptr; }
    virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() { return nullptr; }
    virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() { return nullptr; }
};

// In a sub-process (a --type= switch) runs the engine's process code and returns its exit code
// (0 or more). In the browser process returns -1 after pointing the engine at this executable.
// GUI thread, first thing in main.
int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application,
                      void* windowsSandboxInfo);

// Starts the engine in the browser process: the application's command-line switches, the
// settings (locale, sandbox; --no-sandbox when running as root) and the Qt application object.
// False when it cannot start (no arguments, or called twice). GUI thread.
bool CefInitialize(const CefMainArgs& args, const CefSettings& settings,
                   CefRefPtr<CefApp> application, void* windowsSandboxInfo);

// Closes every browser and stops the engine; a second call does nothing. GUI thread.
void CefShutdown();

// The engine's own message loop (runs until CefQuitMessageLoop). GUI thread.
void CefRunMessageLoop();
void CefQuitMessageLoop();

// The application whose render-process handler binds every page context. GUI thread, before
// browsers are created; null removes it.
void CefSetRendererApplication(CefRefPtr<CefApp> application);

// From now on Qt's messages and everything this process and the engine's processes write to
// standard output and standard error go to the debug output (OutputDebugStringA) instead of the
// terminal; a fatal Qt message is shown on the terminal as well. The browser process, before
// CefInitialize; the GUI thread.
void CefSendEngineMessagesToDebugOutput();

// Whether CefInitialize succeeded and CefShutdown has not run. GUI thread.
bool CefIsInitialized();
// The engine's command line as CefInitialize passed it (switches only). GUI thread.
CefRefPtr<CefCommandLine> CefGetEngineCommandLine();
