// TCP sockets with deadlines (part of the socket module, platform/net, which holds every socket
// system call of the program): connect with a time-out, whole sends and receives bounded by a
// deadline, listening, accepting and waiting on many sockets at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::net {

using Clock = std::chrono::steady_clock;
// A deadline that never comes.
inline constexpr Clock::time_point kNoDeadline = Clock::time_point::max();

enum class IoResult {
    kOk,
    kTimeout,  // the deadline passed first
    kClosed,   // the peer closed or reset the connection
    kError,    // any other failure
};

// An owned socket descriptor, closed on destruction. Not synchronised, except that
// shutdownBoth() may be called from another thread to wake a blocked send or receive.
class Socket {
  public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() { close(); }
    Socket(Socket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void close();
    // Ends both directions; a thread blocked on the socket returns.
    void shutdownBoth() const;

  private:
    int fd_ = -1;
};

// Connects to an IPv4 address in dotted text and a port (1 to 65535) within `timeout`. An
// invalid socket when the address is not dotted IPv4, the port is out of range, the connection
// is refused or the time runs out. Any thread.
Socket ConnectTcp(const std::string& address, int32_t port, std::chrono::milliseconds timeout);

// Sends all `size` bytes before `deadline`. Any thread (one sender per socket).
IoResult SendAll(const Socket& socket, const void* data, size_t size, Clock::time_point deadline);
// Receives exactly `size` bytes before `deadline`. Any thread (one receiver per socket).
IoResult RecvExact(const Socket& socket, void* data, size_t size, Clock::time_point deadline);
// Waits for data, then receives what has come, up to `capacity` bytes, until at least `atLeast`
// have; `received` tells how many. For a reply that usually arrives whole: one wait and one
// read instead of a read that finds nothing, a wait and a read per part. Any thread (one
// receiver per socket).
IoResult RecvAtLeast(const Socket& socket, void* data, size_t capacity, size_t atLeast,
                     size_t& received, Clock::time_point deadline);

// A set of sockets waited on together (epoll): a wait costs the sockets that are ready, not
// the number watched. Not synchronised: one thread adds, removes and waits.
class ReadySet {
  public:
    ReadySet();
    ~ReadySet();
    ReadySet(const ReadySet&) = delete;
    ReadySet& operator=(const ReadySet&) = delete;

    bool valid() const { return fd_ >= 0; }
    // Watches `socket` for reading, reported with `tag`; false when it cannot be watched.
    bool add(const Socket& socket, void* tag);
    // Stops watching `socket`; call before it is closed.
    void remove(const Socket& socket);
    // Waits up to `timeout` and returns the tags of the sockets that are ready to read.
    std::vector<void*> wait(std::chrono::milliseconds timeout);

  private:
    int fd_ = -1;
};

// A listening socket on an IPv4 address and port (0 = any free port), with SO_REUSEADDR. On
// failure an invalid socket, and `error` (when given) says why. Any thread.
Socket ListenTcp(const std::string& address, int32_t port, std::string* error = nullptr);
// The local port a socket is bound to; 0 on failure.
int32_t LocalPort(const Socket& socket);
// Waits up to `timeout` for a connection on `listener`; an invalid socket when none came (or the
// listener was shut down). Any thread.
Socket AcceptTcp(const Socket& listener, std::chrono::milliseconds timeout);
// Waits up to `timeout` until `socket` has something to read (or was closed). Any thread.
bool WaitReadable(const Socket& socket, std::chrono::milliseconds timeout);

}  // namespace orvex::net
