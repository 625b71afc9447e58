// A program that starts as the real one does: the bootstrap first, then, in the browser process
// only, a window. The engine starts its sub-processes from this same program, so each process
// first says what it was started as. Tests start it and read what it prints.
#include <cstdio>
#include <cstring>

#include "cef3/browser/cef_main_init.h"
#include "platform/duilib/window_wnd.h"

namespace {

class ProbeWindow : public DuiLib::CWindowWnd {
  protected:
    DuiLib::LPCTSTR GetWindowClassName() const override { return "ProbeWindow"; }
};

}  // namespace

int main(int argc, char** argv) {
    const char* kind = "browser";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--type=", 7) == 0) {
            kind = argv[i] + 7;
        }
    }
    // Unbuffered: a sub-process may end without flushing.
    std::fprintf(stderr, "probe started as %s\n", kind);
    bool multiThreadedLoop = false;
    bool initialised = false;
    CefMainInit bootstrap(CefMainArgs(argc, argv), &multiThreadedLoop, &initialised);
    std::printf("browser process: initialised=%d multi-threaded loop=%d\n", initialised,
                multiThreadedLoop);
    if (!initialised) {
        return 2;
    }
    ProbeWindow window;
    if (window.Create(nullptr, "probe", WS_POPUP, 0) != nullptr) {
        std::printf("window created\n");
    }
    std::vector<CefString> argv2;
    CefGetEngineCommandLine()->GetArgv(argv2);
    std::printf("engine switches:");
    for (size_t i = 1; i < argv2.size(); ++i) {
        std::printf(" %s", argv2[i].ToString().c_str());
    }
    std::printf("\n");
    // As the program does: the engine is shut down after the loop, and the bootstrap's
    // destructor shuts it down once more when main returns.
    CefShutdown();
    std::printf("engine shut down: initialised=%d\n", CefIsInitialized());
    return 0;
}
