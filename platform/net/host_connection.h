// Socket utilities of the statistics reporter: connecting to a host name with a time-out and
// reading and writing exactly n bytes, with failures printed to standard output and error.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

#include "platform/net/socket_utils.h"

namespace orvex {

// "No time-out" for connect_with_timeout: a plain blocking connect.
constexpr uint32_t kNoConnectTimeout = 0xFFFFFFFFu;

// Every operation below keeps no state and may be called from any thread.

// Connects `sock` to `address`, waiting at most `timeoutMs`. The socket is blocking again
// afterwards. 0 / -1.
int connect_with_timeout(SOCKET sock, const sockaddr_in* address, uint32_t timeoutMs);
// Resolves `host` (IPv4), connects a new TCP socket to host:port within `timeoutMs`.
// The connected socket, or -1.
SOCKET connect_server_withtimeout(const char* host, uint16_t port, uint32_t timeoutMs);
// connect_server_withtimeout with 10,000 ms, then 10,000 ms send and receive time-outs on the
// socket. The socket, or -1 (a socket whose time-out cannot be set is closed).
SOCKET oxdev_ip_connect_withtimeout(const char* host, uint16_t port);
// The same with another time-out for both the connect and the socket's send and receive
// time-outs; oxdev_ip_connect_withtimeout is this with 10,000 ms.
SOCKET ConnectHostWithTimeouts(const char* host, uint16_t port, uint32_t timeoutMs);

// Reads exactly n bytes unless the peer closes or a receive fails. n on full success, the
// bytes read so far when the stream ended or failed after some, -1 when it failed before any
// (or the socket is negative). n = 0 returns 0 without touching the socket.
long readn(SOCKET sock, void* buffer, size_t n);
// Writes exactly n bytes unless a send fails or sends nothing; the same results as readn.
long writen(SOCKET sock, const void* buffer, size_t n);

}  // namespace orvex
