#include "app/app_page_bridge.h"

#include "app/bridge_router.h"
#include "cef3/browser/page_bridge.h"

namespace orvex {

void InstallOrvexPageBridge() {
    PageBridge bridge;
    bridge.functionNames.assign(BridgeFunctionNames.begin(), BridgeFunctionNames.end());
    bridge.route = &RouteBridgeCall;
    InstallPageBridge(std::move(bridge));
}

}  // namespace orvex
