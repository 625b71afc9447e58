#include "cef3/browser/client_app.h"

namespace orvex {

ProcessKind ProcessKindOf(const CefCommandLine& commandLine) {
    if (!commandLine.HasSwitch("type")) {
        return ProcessKind::Browser;
    }
    return commandLine.GetSwitchValue("type") == CefString("renderer") ? ProcessKind::Renderer
                                                                       : ProcessKind::Other;
}

}  // namespace orvex
