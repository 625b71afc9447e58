#include "app/program_info.h"

#include <cstring>

#ifndef ORVEX_VERSION
#define ORVEX_VERSION "0.0.0"
#endif

namespace orvex {

InfoRequest InfoRequestOf(int argc, const char* const* argv) {
    if (argc != 2 || argv == nullptr || argv[1] == nullptr) {
        return InfoRequest::None;
    }
    const char* arg = argv[1];
    if (std::strcmp(arg, "--version") == 0 || std::strcmp(arg, "-V") == 0) {
        return InfoRequest::Version;
    }
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        return InfoRequest::Help;
    }
    return InfoRequest::None;
}

std::string VersionText() {
    return std::string("orvex-cloud-config ") + ORVEX_VERSION + "\n";
}

std::string HelpText() {
    return "usage: orvex-cloud-config 'PAGE&Userid=ID&UserName=NAME&hc=HC&clt_ver=VERSION"
           "&LogDomain=HOST&host=HOST&domainIp=ADDRESS'\n"
           "       orvex-cloud-config --version | --help\n"
           "\n"
           "The batch camera-configuration tool of the surveillance studio. The studio starts it\n"
           "with one argument: the page address followed by the seven keyed values, in this\n"
           "order. It shows the page, connects to the studio at 127.0.0.1:5905 and posts\n"
           "page-load statistics to port 80 of the LogDomain host.\n"
           "\n"
           "Environment:\n"
           "  LC_ALL=C.UTF-8                  a UTF-8 locale (page titles pass through it)\n"
           "  ORVEX_DEBUG_OUTPUT=stderr|FILE  where diagnostic lines and the engine's messages\n"
           "                                  go (nowhere by default; they may hold passwords)\n"
           "  ORVEX_ISSUE_CONCURRENCY=K       cameras configured at once (1 to 256, default 16)\n"
           "  QT_QPA_PLATFORM=offscreen       run without a display\n"
           "  QTWEBENGINE_DISABLE_SANDBOX=1   needed when running as root\n"
           "  QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:PORT  open the DevTools protocol\n"
           "\n"
           "Files:\n"
           "  Downloads the page starts are saved in the XDG download folder (xdg-user-dir\n"
           "  DOWNLOAD), never over an existing file. A crash writes orvex_cloud_*.dmp beside\n"
           "  the executable or, where that folder is not writable, in\n"
           "  $XDG_STATE_HOME/orvex-cloud-config.\n";
}

}  // namespace orvex
