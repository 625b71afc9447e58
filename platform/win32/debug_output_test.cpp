#include "platform/win32/debug_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <string>
#include <thread>

namespace orvex {
namespace {

TEST(DebugOutput, ReachesOnlyAnAttachedReader) {
    OutputDebugStringA("before attach\n");  // no reader: goes nowhere
    std::string seen;
    AttachDebugOutputReader([&](const char* text) { seen += text; });
    OutputDebugStringA("recv ");
    OutputDebugStringA("line\n");
    OutputDebugStringA(nullptr);
    AttachDebugOutputReader(nullptr);
    OutputDebugStringA("after detach\n");
    EXPECT_EQ(seen, "recv line\n");
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// In a child process (the routing changes the process's descriptors for good): its standard
// error is `terminal`, its reader appends to `reader`. It writes to both standard streams, from
// C stdio, raw descriptors and a process it starts, a socket helper's perror line, then a fatal
// line: only standard error is routed, and not that perror line.
TEST(DebugOutput, RoutedStreamsReachTheReaderAndLeaveTheTerminalQuiet) {
    char dir[] = "/tmp/orvex-debug-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string terminal = std::string(dir) + "/terminal";
    const std::string reader = std::string(dir) + "/reader";
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int fd = open(terminal.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
        FILE* out = std::fopen(reader.c_str(), "w");
        AttachDebugOutputReader([out](const char* text) {
            std::fputs("[", out);
            std::fputs(text, out);
            std::fflush(out);
        });
        RouteStandardStreamsToDebugOutput();
        std::fputs("stdio error\n", stderr);
        std::printf("stdio output\n");
        std::fflush(stdout);
        static_cast<void>(write(2, "two ", 4));  // one line from two writes
        static_cast<void>(write(2, "parts\n", 6));
        static_cast<void>(std::system("echo from a child process >&2"));
        errno = ECONNRESET;
        std::perror("readn error");  // a statistics socket line: still for the terminal
        WriteToOriginalStandardError("fatal\n");
        static_cast<void>(write(1, "no line feed", 12));
        close(1);
        close(2);
        usleep(300 * 1000);  // the forwarding thread drains the pipe
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    // Standard output, the socket helpers' perror line and the fatal line reach the terminal
    // (the forwarded line may come before or after the direct writes); nothing else does.
    const std::string onTerminal = readFile(terminal);
    const std::string perrorLine = "readn error: " + std::string(std::strerror(ECONNRESET)) + "\n";
    for (const std::string& part : {std::string("stdio output\n"), std::string("fatal\n"),
                                    std::string("no line feed"), perrorLine}) {
        EXPECT_NE(onTerminal.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(onTerminal.size(), 13 + 6 + 12 + perrorLine.size()) << onTerminal;
    EXPECT_EQ(readFile(reader), "[stdio error\n[two parts\n[from a child process\n");
    std::remove(terminal.c_str());
    std::remove(reader.c_str());
    rmdir(dir);
}

TEST(DebugOutput, TickCountAdvancesInMilliseconds) {
    DWORD a = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    DWORD b = GetTickCount();
    EXPECT_GE(b - a, 25u);
    EXPECT_LT(b - a, 5000u);
}

}  // namespace
}  // namespace orvex
