// main() of the browser tests: the program's bootstrap first (so this executable also serves as
// the engine's sub-processes and never runs tests there), then GoogleTest.
#include <gtest/gtest.h>

#include "cef3/browser/cef_main_init.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    bool multiThreadedLoop = false;
    bool initialised = false;
    CefMainInit bootstrap(CefMainArgs(argc, argv), &multiThreadedLoop, &initialised);
    if (!initialised) {
        return 1;
    }
    return RUN_ALL_TESTS();
}
