// orvex-lab: the program's test peer and demo world. The first argument names the role.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/process_limits.h"
#include "tools/lab/lab_role.h"

namespace {

void PrintUsage(FILE* out) {
    std::fprintf(
        out, "usage: orvex-lab <role> [options]\n       orvex-lab --version | --help\n\nroles:\n");
    for (const orvex::lab::LabRole& role : orvex::lab::LabRoles()) {
        std::fprintf(out, "  %s %s\n", role.name, role.usage);
    }
    std::fprintf(out, "\nSee tools/lab/README.md for the commands and the output.\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);  // a peer that went away is an event, not the lab's end
    // Every lab camera holds a listening socket and one more per connection, so a fleet of
    // thousands needs more descriptors than the usual soft limit of 1024. Nothing in the lab uses
    // select(), so descriptors above 1023 are fine.
    orvex::RaiseOpenFileLimit();
    // A thread serves each camera connection: small stacks make them cheap to start, and the
    // C library keeps some for reuse (it keeps few of the usual 8 MiB ones).
    orvex::SetThreadStackSize(512 * 1024);
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
        std::printf("orvex-lab %s\n", ORVEX_VERSION);
        return 0;
    }
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const orvex::lab::LabRole& role : orvex::lab::LabRoles()) {
        if (std::strcmp(role.name, argv[1]) == 0) {
            return role.run(std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "orvex-lab: unknown role \"%s\"\n\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
