#include "platform/net/host_connection.h"

#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace orvex {
namespace {

// The family reports to standard output in whole lines, flushed so that they interleave in
// order with perror's lines on standard error.
void PrintLine(const char* line) {
    std::fputs(line, stdout);
    std::fflush(stdout);
}

void PrintLine(const char* format, const char* text) {
    std::printf(format, text);
    std::fflush(stdout);
}

void PrintErrno(const char* label) {
    std::fflush(stdout);
    std::perror(label);
}

bool SetNonBlocking(SOCKET sock, int on) {
    return ::ioctl(sock, FIONBIO, &on) == 0;
}

int SetTimeout(SOCKET sock, int option, uint32_t milliseconds) {
    timeval value{};
    value.tv_sec = milliseconds / 1000;
    value.tv_usec = static_cast<suseconds_t>(milliseconds % 1000) * 1000;
    return ::setsockopt(sock, SOL_SOCKET, option, &value, sizeof value);
}

}  // namespace

int connect_with_timeout(SOCKET sock, const sockaddr_in* address, uint32_t timeoutMs) {
    if (address == nullptr || sock < 0) {
        PrintLine("connect_with_timeout para error\n");
        return -1;
    }
    const sockaddr* target = reinterpret_cast<const sockaddr*>(address);
    if (timeoutMs == kNoConnectTimeout) {
        return ::connect(sock, target, sizeof *address) == 0 ? 0 : -1;
    }
    if (!SetNonBlocking(sock, 1)) {
        PrintLine("ioctl socket failed\n");
    }
    int result = -1;
    if (::connect(sock, target, sizeof *address) == 0) {
        result = 0;
    } else if (errno == EINPROGRESS) {
        pollfd waiter{sock, POLLOUT, 0};
        int limit =
            timeoutMs > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(timeoutMs);
        if (::poll(&waiter, 1, limit) > 0) {
            int pending = 0;
            socklen_t length = sizeof pending;
            if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, &pending, &length) == 0 && pending == 0) {
                result = 0;
            }
        }
    }
    if (!SetNonBlocking(sock, 0)) {
        PrintLine("ioctl socket failed\n");
    }
    return result;
}

SOCKET connect_server_withtimeout(const char* host, uint16_t port, uint32_t timeoutMs) {
    if (host == nullptr || *host == '\0') {
        PrintLine("param failed\n");
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) {
        PrintLine("gethostbyname_r servername %s failed\n", host);
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);

    SOCKET sock = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock < 0) {
        return -1;
    }
    int segment = 1400;
    ::setsockopt(sock, IPPROTO_TCP, TCP_MAXSEG, &segment, sizeof segment);
    if (connect_with_timeout(sock, &address, timeoutMs) != 0) {
        ::close(sock);
        return -1;
    }
    return sock;
}

SOCKET oxdev_ip_connect_withtimeout(const char* host, uint16_t port) {
    return ConnectHostWithTimeouts(host, port, 10000);
}

SOCKET ConnectHostWithTimeouts(const char* host, uint16_t port, uint32_t timeoutMs) {
    SOCKET sock = connect_server_withtimeout(host, port, timeoutMs);
    if (sock < 0) {
        PrintLine("oxdev_ip_connect_withtimeout %s error\n", host != nullptr ? host : "(null)");
        return -1;
    }
    if (SetTimeout(sock, SO_SNDTIMEO, timeoutMs) != 0 ||
        SetTimeout(sock, SO_RCVTIMEO, timeoutMs) != 0) {
        std::printf("setsockopt error, errno %d\n", errno);
        std::fflush(stdout);
        ::close(sock);
        return -1;
    }
    return sock;
}

long readn(SOCKET sock, void* buffer, size_t n) {
    if (sock < 0) {
        return -1;
    }
    char* at = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < n) {
        ssize_t count = ::recv(sock, at + done, n - done, 0);
        if (count > 0) {
            done += static_cast<size_t>(count);
        } else if (count == 0) {
            PrintErrno("readn 0 error");
            return static_cast<long>(done);
        } else if (errno == EINTR) {
            continue;
        } else {
            PrintErrno("readn error");
            return done > 0 ? static_cast<long>(done) : -1;
        }
    }
    return static_cast<long>(n);
}

long writen(SOCKET sock, const void* buffer, size_t n) {
    if (sock < 0) {
        return -1;
    }
    const char* at = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < n) {
        ssize_t count = ::send(sock, at + done, n - done, MSG_NOSIGNAL);
        if (count > 0) {
            done += static_cast<size_t>(count);
        } else if (count == 0) {
            return static_cast<long>(done);
        } else if (errno == EINTR) {
            continue;
        } else {
            PrintErrno("writen error");
            return done > 0 ? static_cast<long>(done) : -1;
        }
    }
    return static_cast<long>(n);
}

}  // namespace orvex
