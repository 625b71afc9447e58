#include "platform/net/tcp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvex::net {
namespace {

// Milliseconds left until `deadline`, for poll: -1 for no deadline, 0 once it has passed.
int RemainingMs(Clock::time_point deadline) {
    if (deadline == kNoDeadline) {
        return -1;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
        return 0;
    }
    // Round up so a wait never ends just before its deadline, and stay inside int.
    return left > 1'000'000'000 ? 1'000'000'000 : static_cast<int>(left) + 1;
}

// Waits for `events` on `fd` until `deadline`; kOk when ready.
IoResult WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int wait = RemainingMs(deadline);
        const int n = ::poll(&p, 1, wait);
        if (n > 0) {
            return IoResult::kOk;  // errors and hang-ups surface in the following call
        }
        if (n == 0) {
            if (Clock::now() >= deadline) {
                return IoResult::kTimeout;
            }
            continue;
        }
        if (errno != EINTR) {
            return IoResult::kError;
        }
    }
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool MakeAddress(const std::string& address, int32_t port, sockaddr_in& out) {
    std::memset(&out, 0, sizeof out);
    out.sin_family = AF_INET;
    if (port < 0 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &out.sin_addr) != 1) {
        return false;
    }
    out.sin_port = htons(static_cast<uint16_t>(port));
    return true;
}

}  // namespace

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void Socket::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void Socket::shutdownBoth() const {
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_RDWR);
    }
}

Socket ConnectTcp(const std::string& address, int32_t port, std::chrono::milliseconds timeout) {
    sockaddr_in target;
    if (port < 1 || !MakeAddress(address, port, target)) {
        return {};
    }
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.valid() || !SetNonBlocking(s.fd())) {
        return {};
    }
    const int one = 1;
    ::setsockopt(s.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (errno != EINPROGRESS) {
            return {};
        }
        if (WaitFor(s.fd(), POLLOUT, Clock::now() + timeout) != IoResult::kOk) {
            return {};
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            return {};
        }
    }
    return s;
}

IoResult SendAll(const Socket& socket, const void* data, size_t size, Clock::time_point deadline) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::send(socket.fd(), p, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const IoResult ready = WaitFor(socket.fd(), POLLOUT, deadline);
            if (ready != IoResult::kOk) {
                return ready;
            }
            continue;
        }
        return (errno == EPIPE || errno == ECONNRESET) ? IoResult::kClosed : IoResult::kError;
    }
    return IoResult::kOk;
}

IoResult RecvExact(const Socket& socket, void* data, size_t size, Clock::time_point deadline) {
    auto* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::recv(socket.fd(), p, size, MSG_DONTWAIT);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n == 0) {
            return IoResult::kClosed;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            const IoResult ready = WaitFor(socket.fd(), POLLIN, deadline);
            if (ready != IoResult::kOk) {
                return ready;
            }
            continue;
        }
        return errno == ECONNRESET ? IoResult::kClosed : IoResult::kError;
    }
    return IoResult::kOk;
}

IoResult RecvAtLeast(const Socket& socket, void* data, size_t capacity, size_t atLeast,
                     size_t& received, Clock::time_point deadline) {
    auto* p = static_cast<uint8_t*>(data);
    received = 0;
    while (received < atLeast) {
        const IoResult ready = WaitFor(socket.fd(), POLLIN, deadline);
        if (ready != IoResult::kOk) {
            return ready;
        }
        const ssize_t n = ::recv(socket.fd(), p + received, capacity - received, MSG_DONTWAIT);
        if (n > 0) {
            received += static_cast<size_t>(n);
        } else if (n == 0) {
            return IoResult::kClosed;
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return errno == ECONNRESET ? IoResult::kClosed : IoResult::kError;
        }
    }
    return IoResult::kOk;
}

Socket ListenTcp(const std::string& address, int32_t port, std::string* error) {
    auto fail = [error](const char* what) {
        if (error != nullptr) {
            *error = std::string(what) + ": " + std::strerror(errno);
        }
        return Socket();
    };
    sockaddr_in local;
    if (!MakeAddress(address, port, local)) {
        errno = EINVAL;
        return fail("bad address or port");
    }
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.valid()) {
        return fail("socket");
    }
    const int one = 1;
    ::setsockopt(s.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(s.fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return fail("bind");
    }
    if (::listen(s.fd(), 64) != 0) {
        return fail("listen");
    }
    if (!SetNonBlocking(s.fd())) {
        return fail("fcntl");
    }
    return s;
}

int32_t LocalPort(const Socket& socket) {
    sockaddr_in local;
    socklen_t length = sizeof local;
    if (::getsockname(socket.fd(), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

Socket AcceptTcp(const Socket& listener, std::chrono::milliseconds timeout) {
    if (WaitFor(listener.fd(), POLLIN, Clock::now() + timeout) != IoResult::kOk) {
        return {};
    }
    Socket s(::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (s.valid()) {
        const int one = 1;
        ::setsockopt(s.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return s;
}

bool WaitReadable(const Socket& socket, std::chrono::milliseconds timeout) {
    return WaitFor(socket.fd(), POLLIN, Clock::now() + timeout) == IoResult::kOk;
}

ReadySet::ReadySet() : fd_(::epoll_create1(EPOLL_CLOEXEC)) {}

ReadySet::~ReadySet() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool ReadySet::add(const Socket& socket, void* tag) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.ptr = tag;
    return ::epoll_ctl(fd_, EPOLL_CTL_ADD, socket.fd(), &event) == 0;
}

void ReadySet::remove(const Socket& socket) {
    epoll_event unused{};
    ::epoll_ctl(fd_, EPOLL_CTL_DEL, socket.fd(), &unused);
}

std::vector<void*> ReadySet::wait(std::chrono::milliseconds timeout) {
    epoll_event ready[256];
    const int n = ::epoll_wait(fd_, ready, static_cast<int>(std::size(ready)),
                               static_cast<int>(timeout.count()));
    std::vector<void*> tags;
    for (int i = 0; i < n; ++i) {
        tags.push_back(ready[i].data.ptr);
    }
    return tags;
}

}  // namespace orvex::net
