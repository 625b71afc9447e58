// PageBridge: the page's native functions as the browser layer knows them: the names bound on
// every page's window object and the router that takes their calls. The application installs
// its bridge once, before the bootstrap, so the browser layer knows no application names.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/win_types.h"

namespace orvex {

struct PageBridge {
    // Bound on the window object of every page, in this order.
    std::vector<std::string> functionNames;
    // Takes one call: `host` is the window hosting the browser control, `fromRenderer` whether
    // the message came from the render side, `args` the call's arguments (UTF-16). True when
    // the call was consumed. Called on the GUI thread.
    std::function<bool(HWND host, bool fromRenderer, const std::string& name,
                       const std::vector<std::u16string>& args)>
        route;
};

// Installs `bridge` for every browser and page made afterwards. The GUI thread, before
// CefMainInit (the render side reads the names while the engine starts).
void InstallPageBridge(PageBridge bridge);
// The installed bridge: no names and no router until InstallPageBridge. Any thread once the
// bridge is installed (it never changes afterwards).
const PageBridge& InstalledPageBridge();

}  // namespace orvex
