// ClientApp: the application object of the sub-processes other than the renderer, and the
// process kinds the bootstrap tells apart by the "type" switch.
#pragma once

#include "platform/cef/cef_app.h"

namespace orvex {

enum class ProcessKind { Browser, Renderer, Other };

// No "type" switch: the browser process; "type" = "renderer": a renderer; any other value:
// another sub-process. Any thread.
ProcessKind ProcessKindOf(const CefCommandLine& commandLine);

}  // namespace orvex

class ClientApp : public CefApp {
    IMPLEMENT_REFCOUNTING(ClientApp);
};
