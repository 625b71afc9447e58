// A UDP socket joined to a multicast group (part of the socket module), with a bounded wait for
// each datagram: the WS-Discovery side of ONVIF cameras and of their discovery.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>

namespace orvex::net {

struct Datagram {
    std::string bytes;
    sockaddr_in from{};
};

// One thread uses a socket at a time; close() may be called from another thread to end a wait.
class MulticastSocket {
  public:
    MulticastSocket() = default;
    ~MulticastSocket();
    MulticastSocket(const MulticastSocket&) = delete;
    MulticastSocket& operator=(const MulticastSocket&) = delete;

    // Binds 0.0.0.0:port (shared with other listeners of that port) and joins `group` on the
    // interface the routing table picks for it. False, with `error`, when that fails.
    bool open(const std::string& group, uint16_t port, std::string& error);
    // Sends this socket's multicast datagrams out of `interface` (a name such as "eth0", or
    // the IPv4 address of one) instead of the one the routing table picks. False, with
    // `error`, when there is no such interface.
    bool setSendInterface(const std::string& interface, std::string& error);
    // The next datagram, waiting at most `timeoutMs`; nothing on timeout or error.
    std::optional<Datagram> receive(int timeoutMs);
    // Sends `bytes` to `to` as one datagram; false on error.
    bool send(const std::string& bytes, const sockaddr_in& to);
    void close();

  private:
    int fd_ = -1;
};

}  // namespace orvex::net
