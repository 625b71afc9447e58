// CefMainInit: the browser bootstrap, the first thing main does. In a sub-process it runs the
// engine's process code and ends the process; in the browser process it starts the engine with
// the program's settings. Its destructor shuts the engine down.
#pragma once

#include "platform/cef/cef_app.h"

class CefMainInit : public CefBase {
  public:
    // `args` is the process's command line. A sub-process (a "type" switch) never returns from
    // here. In the browser process `initialised` reports CefInitialize's result and
    // `multiThreadedLoop` the settings' multi_threaded_message_loop (always true). GUI thread.
    CefMainInit(const CefMainArgs& args, bool* multiThreadedLoop, bool* initialised);
    // Shuts the engine down (nothing happens when it already is). GUI thread.
    ~CefMainInit() override;

    // The settings the bootstrap gives the engine.
    static CefSettings ProgramSettings();

    IMPLEMENT_REFCOUNTING(CefMainInit);
};
