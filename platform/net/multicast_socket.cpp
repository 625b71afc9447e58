#include "platform/net/multicast_socket.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvex::net {

MulticastSocket::~MulticastSocket() {
    close();
}

bool MulticastSocket::open(const std::string& group, uint16_t port, std::string& error) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error = std::string("discovery socket: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(port);
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    ip_mreq membership{};
    membership.imr_interface.s_addr = htonl(INADDR_ANY);
    if (::inet_pton(AF_INET, group.c_str(), &membership.imr_multiaddr) != 1 ||
        ::bind(fd_, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
        ::setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        error = "discovery on " + group + ":" + std::to_string(port) + ": " + std::strerror(errno);
        close();
        return false;
    }
    return true;
}

bool MulticastSocket::setSendInterface(const std::string& interface, std::string& error) {
    // An IPv4 address names the interface that has it; anything else is an interface name.
    ip_mreqn choice{};
    if (::inet_pton(AF_INET, interface.c_str(), &choice.imr_address) != 1) {
        choice.imr_ifindex = static_cast<int>(::if_nametoindex(interface.c_str()));
        if (choice.imr_ifindex == 0) {
            error = "no network interface \"" + interface + "\"";
            return false;
        }
    }
    if (::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &choice, sizeof choice) != 0) {
        error = "cannot send from " + interface + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::optional<Datagram> MulticastSocket::receive(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    if (fd_ < 0 || ::poll(&p, 1, timeoutMs) <= 0 || (p.revents & POLLIN) == 0) {
        return std::nullopt;
    }
    Datagram d;
    d.bytes.resize(65536);
    socklen_t size = sizeof d.from;
    const ssize_t n = ::recvfrom(fd_, d.bytes.data(), d.bytes.size(), 0,
                                 reinterpret_cast<sockaddr*>(&d.from), &size);
    if (n < 0) {
        return std::nullopt;
    }
    d.bytes.resize(static_cast<size_t>(n));
    return d;
}

bool MulticastSocket::send(const std::string& bytes, const sockaddr_in& to) {
    return ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(bytes.size());
}

void MulticastSocket::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace orvex::net
