#include "platform/net/socket_utils.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "platform/win32/debug_output.h"

namespace orvex {
namespace {

// Writes one formatted line to the debug output.
void DebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugLog(const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    OutputDebugStringA(line);
}

sockaddr_in MakeAddress(uint32_t ip, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(ip);
    address.sin_port = htons(port);
    return address;
}

int WholeSeconds(uint32_t milliseconds) {
    uint32_t seconds = milliseconds / 1000 + (milliseconds % 1000 != 0 ? 1 : 0);
    return seconds == 0 ? 1 : static_cast<int>(seconds);
}

}  // namespace

SOCKET CreateBoundSocket(int type, uint32_t ip, uint16_t port) {
    SOCKET sock = ::socket(AF_INET, type, 0);
    if (sock < 0) {
        DebugLog("Create Socket Fail(%d), type:%d, ip:0X%x, port:%d.\n", LastSocketError(), type,
                 ip, port);
        return kInvalidSocket;
    }
    sockaddr_in address = MakeAddress(ip, port);
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        DebugLog("Bind Socket Fail(%d), type:%d, ip:0X%x, port:%d.\n", LastSocketError(), type, ip,
                 port);
        ::close(sock);
        return kInvalidSocket;
    }
    int32_t reuse = 1;
    if (::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0) {
        DebugLog("Set Socket REUSEADDR Fail(%d).\n", LastSocketError());
        ::close(sock);
        return kInvalidSocket;
    }
    return sock;
}

int SetSocketBlockMode(SOCKET sock, int mode) {
    int value = mode;
    if (::ioctl(sock, FIONBIO, &value) != 0) {
        DebugLog("Set socket(%d) block type(%d) fail(%d).\n", sock, mode, LastSocketError());
        return -1;
    }
    return 0;
}

int ConnectToServer(SOCKET sock, uint32_t ip, uint16_t port) {
    SetSocketBlockMode(sock, 1);
    sockaddr_in address = MakeAddress(ip, port);
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        // A non-blocking connect that is under way reports EINPROGRESS on Linux.
        int error = LastSocketError();
        if (error != EINPROGRESS && error != EWOULDBLOCK) {
            DebugLog("Connect to server fail(%d).\n", error);
            return -1;
        }
    }
    // Waits for writability for at most 5 s (poll rather than select: no limit on the
    // descriptor number).
    pollfd waiter{sock, POLLOUT, 0};
    if (::poll(&waiter, 1, 5000) <= 0) {
        return -1;
    }
    // Linux reports a refused or failed connection as writable too: the pending error decides.
    int pending = 0;
    socklen_t length = sizeof pending;
    if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, &pending, &length) != 0 || pending != 0) {
        return -1;
    }
    SetSocketBlockMode(sock, 0);
    return 0;
}

int SetSocketKeepAlive(SOCKET sock, uint8_t on, uint32_t idleMs, uint32_t intervalMs) {
    int enable = on;
    if (::setsockopt(sock, SOL_SOCKET, SO_KEEPALIVE, &enable, sizeof enable) != 0) {
        DebugLog("Set socket keepalive fail(%d).\n", LastSocketError());
        return -1;
    }
    int idle = WholeSeconds(idleMs);
    int interval = WholeSeconds(intervalMs);
    if (::setsockopt(sock, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) != 0 ||
        ::setsockopt(sock, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) != 0) {
        DebugLog("Set wsa socket keepalive fail(%d).\n", LastSocketError());
        return -1;
    }
    return 0;
}

int SetSocketTimeout(SOCKET sock, int option, uint32_t milliseconds) {
    timeval value{};
    value.tv_sec = milliseconds / 1000;
    value.tv_usec = static_cast<suseconds_t>(milliseconds % 1000) * 1000;
    if (::setsockopt(sock, SOL_SOCKET, option, &value, sizeof value) != 0) {
        DebugLog("Set socket(%d) timeout(%d ms) fail(%d).\n", sock, static_cast<int>(milliseconds),
                 LastSocketError());
        return -1;
    }
    return 0;
}

SOCKET CreateConnectedSocket(uint32_t ip, uint16_t port, uint32_t localIp) {
    SOCKET sock = CreateBoundSocket(SOCK_STREAM, localIp, 0);
    if (sock == kInvalidSocket) {
        DebugLog("Create conn socket fail(%d).\n", LastSocketError());
        return kInvalidSocket;
    }
    if (ConnectToServer(sock, ip, port) != 0 || SetSocketKeepAlive(sock, 1, 2000, 100) != 0) {
        CloseSocket(sock);
        return kInvalidSocket;
    }
    return sock;
}

int CloseSocket(SOCKET sock) {
    if (sock >= 0) {
        ::close(sock);
    }
    return 0;
}

long SocketSend(SOCKET sock, const void* bytes, size_t count) {
    return ::send(sock, bytes, count, MSG_NOSIGNAL);
}

long SocketReceive(SOCKET sock, void* buffer, size_t count) {
    return ::recv(sock, buffer, count, 0);
}

int LastSocketError() {
    return errno;
}

bool IsSocketTimeoutError(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

bool IsInterruptedError(int error) {
    return error == EINTR;
}

uint32_t ParseDottedAddress(const char* text) {
    in_addr address{};
    if (text == nullptr || ::inet_pton(AF_INET, text, &address) != 1) {
        return 0xFFFFFFFFu;
    }
    return ntohl(address.s_addr);
}

}  // namespace orvex
