// CefExecuteProcess, CefInitialize, CefShutdown and browser creation on Qt WebEngine.
#include <unistd.h>

#include <QApplication>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cef/cef_app.h"
#include "platform/cef/cef_client.h"
#include "platform/cef/cef_task.h"
#include "platform/cef/qt/browser_qt.h"
#include "platform/cef/qt/engine_qt.h"
#include "platform/win32/debug_output.h"
#include "platform/win32/qt/qt_window.h"
#include "support/gui_thread.h"

// The engine's sub-process entry, exported by Qt WebEngine Core.
namespace QtWebEngineCore {
int processMain(int argc, const char** argv);
}

namespace orvex::cefqt {
namespace {

std::string ownExecutable() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return std::string();
    }
    path[length] = '\0';
    return path;
}

bool isSubProcess(const CefMainArgs& args) {
    for (int i = 1; i < args.argc; ++i) {
        if (args.argv[i] != nullptr && std::strncmp(args.argv[i], "--type=", 7) == 0) {
            return true;
        }
    }
    return false;
}

// The switches for QTWEBENGINE_CHROMIUM_FLAGS, after the flags already in the environment.
std::string engineFlags(const CefCommandLine& commandLine) {
    std::string flags;
    if (const char* existing = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS")) {
        flags = existing;
    }
    std::vector<CefString> argv;
    commandLine.GetArgv(argv);
    for (size_t i = 1; i < argv.size(); ++i) {
        if (!flags.empty()) {
            flags += ' ';
        }
        flags += argv[i].ToString();
    }
    return flags;
}

// Qt's messages go to the debug output like the engine's; a fatal one, which ends the
// process, is also shown on the terminal, so that a failed start does not pass in silence.
void debugOutputMessageHandler(QtMsgType type, const QMessageLogContext& context,
                               const QString& message) {
    std::string line = qFormatLogMessage(type, context, message).toStdString() + "\n";
    OutputDebugStringA(line.c_str());
    if (type == QtFatalMsg) {
        orvex::WriteToOriginalStandardError(line.c_str());
    }
}

}  // namespace
}  // namespace orvex::cefqt

using orvex::cefqt::engine;

int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp>, void*) {
    if (args.argc > 0 && args.argv != nullptr && orvex::cefqt::isSubProcess(args)) {
        // The engine's process code finds its resources and translations beside the
        // application (QCoreApplication::applicationDirPath), which needs an application
        // object. A core one: a sub-process opens no window and needs no display. It gets a
        // copy of the arguments, since the engine rewrites argv to set the process title.
        std::vector<std::string> copies(args.argv, args.argv + args.argc);
        std::vector<char*> pointers;
        for (std::string& copy : copies) {
            pointers.push_back(copy.data());
        }
        pointers.push_back(nullptr);
        int argc = args.argc;
        QCoreApplication application(argc, pointers.data());
        return QtWebEngineCore::processMain(args.argc, const_cast<const char**>(args.argv));
    }
    std::string self = orvex::cefqt::ownExecutable();
    if (!self.empty()) {
        setenv("QTWEBENGINEPROCESS_PATH", self.c_str(), 1);
    }
    return -1;
}

void CefSendEngineMessagesToDebugOutput() {
    ORVEX_ASSERT_GUI_THREAD();
    orvex::RouteStandardStreamsToDebugOutput();
    qInstallMessageHandler(orvex::cefqt::debugOutputMessageHandler);
}

bool CefInitialize(const CefMainArgs& args, const CefSettings& settings,
                   CefRefPtr<CefApp> application, void*) {
    ORVEX_ASSERT_GUI_THREAD();
    orvex::cefqt::Engine& state = engine();
    if (state.initialized || args.argc <= 0 || args.argv == nullptr) {
        return false;
    }
    CefRefPtr<CefCommandLine> commandLine = CefCommandLine::CreateCommandLine();
    commandLine->SetProgram(CefString(args.argv[0] != nullptr ? args.argv[0] : ""));
    if (application) {
        application->OnBeforeCommandLineProcessing(CefString(), commandLine);
    }
    if (!settings.locale.empty() && !commandLine->HasSwitch("lang")) {
        commandLine->AppendSwitchWithValue("lang", settings.locale);
    }
    if (settings.no_sandbox != 0 || geteuid() == 0) {
        commandLine->AppendSwitch("no-sandbox");
    }
    if (settings.remote_debugging_port > 0) {
        commandLine->AppendSwitchWithValue(
            "remote-debugging-port", CefString(std::to_string(settings.remote_debugging_port)));
    }
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", orvex::cefqt::engineFlags(*commandLine).c_str(), 1);
    if (std::getenv("QTWEBENGINEPROCESS_PATH") == nullptr) {
        std::string self = orvex::cefqt::ownExecutable();
        setenv("QTWEBENGINEPROCESS_PATH", self.c_str(), 1);
    }

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (QCoreApplication::instance() == nullptr) {
        state.argc = args.argc;
        state.ownedApplication = new QApplication(state.argc, args.argv);
    }
    orvex::MarkGuiThread();  // the application object's thread runs every window and callback
    state.uiObject = new QObject();
    orvex::cefqt::SetUiReceiver(state.uiObject);

    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    // Downloads are the profile's; each goes to the browser whose page started it.
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, state.uiObject,
                     [](QWebEngineDownloadRequest* request) {
                         for (const auto& browser : engine().browsers) {
                             if (browser->Shows(request->page())) {
                                 browser->OnDownloadRequested(request);
                                 return;
                             }
                         }
                         request->cancel();
                     });
    CefString languages =
        !settings.accept_language_list.empty() ? settings.accept_language_list : settings.locale;
    if (!languages.empty()) {
        profile->setHttpAcceptLanguage(QString::fromStdU16String(languages.ToString16()));
    }

    state.settings = settings;
    state.application = application;
    state.commandLine = commandLine;
    state.initialized = true;
    if (application) {
        if (CefRefPtr<CefBrowserProcessHandler> handler = application->GetBrowserProcessHandler()) {
            CefPostTask(TID_UI,
                        CefCreateClosureTask([handler] { handler->OnContextInitialized(); }));
        }
    }
    return true;
}

void CefShutdown() {
    ORVEX_ASSERT_GUI_THREAD();
    orvex::cefqt::Engine& state = engine();
    if (!state.initialized) {
        return;
    }
    state.initialized = false;
    std::vector<CefRefPtr<orvex::cefqt::QtBrowser>> open = state.browsers;
    for (const auto& browser : open) {
        browser->CloseNow();
    }
    state.browsers.clear();
    orvex::cefqt::SetUiReceiver(nullptr);
    // Deferred deletions (the closed views) run before the engine goes away.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete state.uiObject;
    state.uiObject = nullptr;
    state.application = nullptr;
    state.rendererApplication = nullptr;
    if (state.ownedApplication != nullptr) {
        delete state.ownedApplication;
        state.ownedApplication = nullptr;
    }
}

void CefRunMessageLoop() {
    ORVEX_ASSERT_GUI_THREAD();
    if (engine().initialized) {
        QApplication::exec();
    }
}

void CefQuitMessageLoop() {
    QCoreApplication::quit();
}

void CefSetRendererApplication(CefRefPtr<CefApp> application) {
    ORVEX_ASSERT_GUI_THREAD();
    engine().rendererApplication = application;
}

bool CefIsInitialized() {
    return engine().initialized;
}

CefRefPtr<CefCommandLine> CefGetEngineCommandLine() {
    return engine().commandLine;
}

CefRefPtr<CefBrowser> CefBrowserHost::CreateBrowserSync(const CefWindowInfo& windowInfo,
                                                        CefRefPtr<CefClient> client,
                                                        const CefString& url,
                                                        const CefBrowserSettings&,
                                                        CefRefPtr<CefRequestContext>) {
    // Windowless rendering is not offered by this engine (and not enabled by the settings).
    if (!engine().initialized || !orvex::cefqt::OnUiThread() ||
        windowInfo.windowless_rendering_enabled) {
        return nullptr;
    }
    QWidget* parent = orvex::WidgetFromHandle(windowInfo.parent_window);
    if (parent == nullptr) {
        return nullptr;
    }
    QRect rect(windowInfo.x, windowInfo.y, windowInfo.width < 0 ? 0 : windowInfo.width,
               windowInfo.height < 0 ? 0 : windowInfo.height);
    return orvex::cefqt::QtBrowser::Create(parent, rect, client, url).get();
}
