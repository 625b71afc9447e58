// The engine state of the browser library on Qt WebEngine: settings, the application objects,
// the open browsers, and the hand-over of work to the GUI thread (the library's TID_UI).
#pragma once

#include <functional>
#include <vector>

#include "platform/cef/cef_app.h"

class QApplication;
class QObject;
class QWebEngineProfile;

namespace orvex::cefqt {

class QtBrowser;

struct Engine {
    bool initialized = false;
    int argc = 0;  // QApplication keeps a reference to it
    QApplication* ownedApplication = nullptr;
    QObject* uiObject = nullptr;  // lives on the GUI thread; posted work is delivered to it
    CefSettings settings;
    CefRefPtr<CefApp> application;
    CefRefPtr<CefApp> rendererApplication;
    CefRefPtr<CefCommandLine> commandLine;
    // Browsers stay referenced here from creation until they are closed. GUI thread.
    std::vector<CefRefPtr<QtBrowser>> browsers;
};

// The process's engine state; GUI thread except where a function says otherwise.
Engine& engine();

// Sets the GUI-thread object that receives posted work (null: posting stops). GUI thread.
void SetUiReceiver(QObject* receiver);
// Runs the callable on the GUI thread after the work posted before it. False (nothing runs)
// before CefInitialize or after CefShutdown. Any thread.
bool RunOnUiThread(std::function<void()> work);
// Whether the calling thread is the GUI thread. Any thread.
bool OnUiThread();

}  // namespace orvex::cefqt
