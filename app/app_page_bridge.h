// The program's page bridge, handed to the browser layer: the fourteen function names bound on
// the page and the bridge router that takes their calls.
#pragma once

namespace orvex {

// Installs the program's bridge (InstallPageBridge). The GUI thread, before CefMainInit.
void InstallOrvexPageBridge();

}  // namespace orvex
