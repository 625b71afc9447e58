#include "cef3/browser/page_bridge.h"

namespace orvex {
namespace {

PageBridge& Installed() {
    static PageBridge bridge;
    return bridge;
}

}  // namespace

void InstallPageBridge(PageBridge bridge) {
    Installed() = std::move(bridge);
}

const PageBridge& InstalledPageBridge() {
    return Installed();
}

}  // namespace orvex
