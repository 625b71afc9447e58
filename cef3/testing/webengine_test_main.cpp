// main() of the browser tests: the program's bootstrap first (so this executable also serves as
// the engine's sub-processes and never runs tests there), then GoogleTest.
#include <gtest/gtest.h>

#include "app/app_page_bridge.h"
#include "cef3/browser/cef_main_init.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    orvex::InstallOrvexPageBridge();  // the program's bridge, as main installs it
    bool multiThreadedLoop = false;
    bool initialised = false;
    CefMainInit bootstrap(CefMainArgs(argc, argv), &multiThreadedLoop, &initialised);
    if (!initialised) {
        return 1;
    }
    return RUN_ALL_TESTS();
}
