// orvex-e2e-x11: looks at and clicks on the program's window on an X display, for the
// end-to-end tests that run the program under Xvfb. One command per run, one JSON line out:
//
//   find PID [TIMEOUT_MS]     the largest viewable top-level window of process PID
//   geometry WINDOW           its position on the screen and its size
//   hash WINDOW X Y W H       an FNV-1a hash of the pixels of a rectangle of the window
//   click WINDOW X Y          a real left click (XTEST) at a point of the window
//   close WINDOW              asks the window to close, as a window manager does
//                             (WM_DELETE_WINDOW)
//
// Exit code 0 on success, 1 when the window or the display cannot be found, 2 on bad usage.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Geometry {
    int x = 0, y = 0;
    unsigned width = 0, height = 0;
    bool viewable = false;
};

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;  // windows may vanish while the tree is walked
}

bool ReadGeometry(Display* display, Window window, Geometry& out) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return false;
    }
    Window child;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &out.x, &out.y,
                               &child)) {
        return false;
    }
    out.width = static_cast<unsigned>(attributes.width);
    out.height = static_cast<unsigned>(attributes.height);
    out.viewable = attributes.map_state == IsViewable;
    return true;
}

long WindowPid(Display* display, Window window) {
    Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    if (pidAtom == None) {
        return -1;
    }
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && count == 1 && format == 32) {
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data != nullptr) {
        XFree(data);
    }
    return pid;
}

// The largest viewable child of the root window that belongs to `pid`, or None.
Window FindWindow(Display* display, long pid) {
    Window root = DefaultRootWindow(display), parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) {
        return None;
    }
    Window best = None;
    unsigned long bestArea = 0;
    for (unsigned i = 0; i < count; ++i) {
        Geometry g;
        if (WindowPid(display, children[i]) == pid && ReadGeometry(display, children[i], g) &&
            g.viewable && static_cast<unsigned long>(g.width) * g.height > bestArea) {
            best = children[i];
            bestArea = static_cast<unsigned long>(g.width) * g.height;
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return best;
}

void PrintGeometry(Window window, const Geometry& g) {
    std::printf("{\"window\":%lu,\"x\":%d,\"y\":%d,\"width\":%u,\"height\":%u}\n", window, g.x, g.y,
                g.width, g.height);
}

int Hash(Display* display, Window window, int x, int y, unsigned w, unsigned h) {
    XImage* image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::printf("{\"error\":\"cannot read the pixels\"}\n");
        return 1;
    }
    uint64_t hash = 1469598103934665603ull;
    unsigned long first = XGetPixel(image, 0, 0);
    unsigned differing = 0;
    for (unsigned row = 0; row < h; ++row) {
        for (unsigned col = 0; col < w; ++col) {
            unsigned long pixel = XGetPixel(image, static_cast<int>(col), static_cast<int>(row));
            differing += pixel != first ? 1 : 0;
            for (int b = 0; b < 4; ++b) {
                hash = (hash ^ ((pixel >> (8 * b)) & 0xFF)) * 1099511628211ull;
            }
        }
    }
    XDestroyImage(image);
    // `differing`: pixels unlike the top-left one (0 for an area of one colour).
    std::printf("{\"hash\":\"%016llx\",\"differing\":%u}\n", static_cast<unsigned long long>(hash),
                differing);
    return 0;
}

int Click(Display* display, Window window, int x, int y) {
    // libXtst is loaded at run time: its development files are not needed to build this tool.
    void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
    if (xtst == nullptr) {
        std::printf("{\"error\":\"libXtst.so.6 is not installed\"}\n");
        return 1;
    }
    using Motion = int (*)(Display*, int, int, int, unsigned long);
    using Button = int (*)(Display*, unsigned, Bool, unsigned long);
    auto motion = reinterpret_cast<Motion>(dlsym(xtst, "XTestFakeMotionEvent"));
    auto button = reinterpret_cast<Button>(dlsym(xtst, "XTestFakeButtonEvent"));
    Geometry g;
    if (motion == nullptr || button == nullptr || !ReadGeometry(display, window, g)) {
        std::printf("{\"error\":\"cannot click\"}\n");
        return 1;
    }
    motion(display, DefaultScreen(display), g.x + x, g.y + y, CurrentTime);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let the hover state settle
    button(display, 1, True, CurrentTime);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    button(display, 1, False, CurrentTime);
    XSync(display, False);
    std::printf("{\"clicked\":true,\"x\":%d,\"y\":%d}\n", g.x + x, g.y + y);
    return 0;
}

int AskToClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    if (XSendEvent(display, window, False, NoEventMask, &event) == 0) {
        std::printf("{\"error\":\"cannot send the close request\"}\n");
        return 1;
    }
    XSync(display, False);
    std::printf("{\"closeRequested\":true}\n");
    return 0;
}

// The window's title as the desktop reads it: _NET_WM_NAME (UTF-8), else WM_NAME.
int PrintName(Display* display, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 4096,
                           False, XInternAtom(display, "UTF8_STRING", False), &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && format == 8) {
        name.assign(reinterpret_cast<char*>(data), count);
    } else {
        char* plain = nullptr;
        if (XFetchName(display, window, &plain) != 0 && plain != nullptr) {
            name = plain;
            XFree(plain);
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    std::string quoted;
    for (char c : name) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    std::printf("{\"name\":\"%s\"}\n", quoted.c_str());
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: orvex-e2e-x11 find PID [TIMEOUT_MS] | geometry WINDOW | "
                 "hash WINDOW X Y W H | click WINDOW X Y | close WINDOW | name WINDOW\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::string command = argv[1];
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::printf("{\"error\":\"cannot open the display\"}\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    int status = 2;
    if (command == "find") {
        const long pid = std::strtol(argv[2], nullptr, 10);
        const long timeoutMs = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 0;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        Window window = None;
        while ((window = FindWindow(display, pid)) == None &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Geometry g;
        if (window != None && ReadGeometry(display, window, g)) {
            PrintGeometry(window, g);
            status = 0;
        } else {
            std::printf("{\"error\":\"no window of process %ld\"}\n", pid);
            status = 1;
        }
    } else if (command == "geometry") {
        Window window = std::strtoul(argv[2], nullptr, 10);
        Geometry g;
        if (ReadGeometry(display, window, g)) {
            PrintGeometry(window, g);
            status = 0;
        } else {
            std::printf("{\"error\":\"no such window\"}\n");
            status = 1;
        }
    } else if (command == "hash" && argc == 7) {
        status = Hash(display, std::strtoul(argv[2], nullptr, 10), std::atoi(argv[3]),
                      std::atoi(argv[4]), static_cast<unsigned>(std::atoi(argv[5])),
                      static_cast<unsigned>(std::atoi(argv[6])));
    } else if (command == "click" && argc == 5) {
        status = Click(display, std::strtoul(argv[2], nullptr, 10), std::atoi(argv[3]),
                       std::atoi(argv[4]));
    } else if (command == "name") {
        status = PrintName(display, std::strtoul(argv[2], nullptr, 10));
    } else if (command == "close") {
        status = AskToClose(display, std::strtoul(argv[2], nullptr, 10));
    } else {
        status = Usage();
    }
    XCloseDisplay(display);
    return status;
}
