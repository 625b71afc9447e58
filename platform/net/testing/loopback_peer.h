// LoopbackListener, LoopbackConnection and UnusedPort: the far end of loopback TCP connections
// for socket tests and the lab (a scripted studio or server).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace orvex::testing {

// One accepted (or connected) TCP connection; owns its descriptor. One thread at a time.
class LoopbackConnection {
  public:
    LoopbackConnection() = default;
    explicit LoopbackConnection(int fd) : fd_(fd) {
        int one = 1;  // every send leaves at once, so pieces sent apart arrive apart
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    LoopbackConnection(LoopbackConnection&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    LoopbackConnection& operator=(LoopbackConnection&& other) noexcept {
        if (this != &other) {
            close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    ~LoopbackConnection() { close(); }

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Sends every byte; false when the connection failed.
    bool send(std::string_view bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Reads exactly n bytes within `limit`; nothing when the stream ended, failed or was slow.
    std::optional<std::string> read(size_t n,
                                    std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::string out;
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (out.size() < n) {
            if (!waitReadable(deadline)) {
                return std::nullopt;
            }
            char buffer[65536];
            size_t want = std::min(sizeof buffer, n - out.size());
            ssize_t got = ::recv(fd_, buffer, want, 0);
            if (got <= 0) {
                if (got < 0 && errno == EINTR) {
                    continue;
                }
                return std::nullopt;
            }
            out.append(buffer, static_cast<size_t>(got));
        }
        return out;
    }

    // Reads until `terminator` has arrived (included) within `limit`; nothing otherwise.
    std::optional<std::string> readUntil(std::string_view terminator,
                                         std::chrono::milliseconds limit = std::chrono::seconds(5),
                                         size_t maxBytes = 1 << 20) {
        std::string out;
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (out.size() < maxBytes) {
            if (out.size() >= terminator.size() &&
                std::string_view(out).substr(out.size() - terminator.size()) == terminator) {
                return out;
            }
            if (!waitReadable(deadline)) {
                return std::nullopt;
            }
            char c;
            ssize_t got = ::recv(fd_, &c, 1, 0);
            if (got <= 0) {
                if (got < 0 && errno == EINTR) {
                    continue;
                }
                return std::nullopt;
            }
            out.push_back(c);
        }
        return std::nullopt;
    }

    // What the peer did within `limit`, discarding any data: "closed" (an orderly end),
    // "reset" (the peer closed with data unread), or "open".
    std::string waitEnd(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (waitReadable(deadline)) {
            char buffer[4096];
            ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got == 0) {
                return "closed";
            }
            if (got < 0 && errno != EINTR) {
                return errno == ECONNRESET ? "reset" : "error";
            }
        }
        return "open";
    }

    // True when no byte arrives and the stream stays open for `duration`.
    bool staysQuiet(std::chrono::milliseconds duration) {
        pollfd waiter{fd_, POLLIN, 0};
        return ::poll(&waiter, 1, static_cast<int>(duration.count())) == 0;
    }

    void shutdownWrite() { ::shutdown(fd_, SHUT_WR); }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    bool waitReadable(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() < 0) {
                return false;
            }
            pollfd waiter{fd_, POLLIN, 0};
            int ready = ::poll(&waiter, 1, static_cast<int>(left.count()));
            if (ready > 0) {
                return true;
            }
            if (ready == 0 || errno != EINTR) {
                return false;
            }
        }
    }

    int fd_ = -1;
};

// A TCP listener on 127.0.0.1; port 0 picks a free port, read back with port().
class LoopbackListener {
  public:
    explicit LoopbackListener(uint16_t port = 0, const char* ip = "127.0.0.1", int backlog = 16) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd_ < 0) {
            return;
        }
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        ::inet_pton(AF_INET, ip, &address.sin_addr);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, backlog) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            close();
            return;
        }
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackListener() { close(); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool valid() const { return fd_ >= 0; }
    uint16_t port() const { return port_; }

    // The next connection within `limit`; an invalid one after it.
    LoopbackConnection accept(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        pollfd waiter{fd_, POLLIN, 0};
        if (fd_ < 0 || ::poll(&waiter, 1, static_cast<int>(limit.count())) <= 0) {
            return LoopbackConnection();
        }
        int fd = ::accept(fd_, nullptr, nullptr);
        return fd >= 0 ? LoopbackConnection(fd) : LoopbackConnection();
    }

    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// A loopback port held bound but not listening: connections to it are refused, and no other
// socket can take the port while this object lives.
class UnusedPort {
  public:
    UnusedPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~UnusedPort() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    UnusedPort(const UnusedPort&) = delete;
    UnusedPort& operator=(const UnusedPort&) = delete;

    uint16_t port() const { return port_; }

  private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

}  // namespace orvex::testing
