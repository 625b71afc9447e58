// Socket utilities of the studio link: bound and connected TCP sockets, blocking mode,
// keep-alive and time-outs, with failures written to the debug output.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex {

// A socket handle; kInvalidSocket (all bits set) when there is none.
using SOCKET = int;
constexpr SOCKET kInvalidSocket = -1;

// Every operation below keeps no state and may be called from any thread; one socket is used
// by one caller at a time (the studio link has one reader and serialised writers).

// A socket of `type` (SOCK_STREAM, SOCK_DGRAM) bound to ip:port (host byte order), with
// SO_REUSEADDR set after the bind. kInvalidSocket on failure.
SOCKET CreateBoundSocket(int type, uint32_t ip, uint16_t port);
// mode 1 = non-blocking, 0 = blocking. 0 / -1.
int SetSocketBlockMode(SOCKET sock, int mode);
// Connects within 5 seconds. The socket is left non-blocking on failure; callers close it.
// 0 / -1.
int ConnectToServer(SOCKET sock, uint32_t ip, uint16_t port);
// Keep-alive on or off with the idle time and probe interval in milliseconds (rounded up to
// whole seconds, at least one). 0 / -1.
int SetSocketKeepAlive(SOCKET sock, uint8_t on, uint32_t idleMs, uint32_t intervalMs);
// Sets SO_RCVTIMEO or SO_SNDTIMEO to `milliseconds`. 0 / -1.
int SetSocketTimeout(SOCKET sock, int option, uint32_t milliseconds);
// A TCP socket bound to localIp and an ephemeral port, connected to ip:port within 5 seconds,
// keep-alive on (2000 ms idle, 100 ms interval). kInvalidSocket on failure.
SOCKET CreateConnectedSocket(uint32_t ip, uint16_t port, uint32_t localIp);
// Closes the socket (an invalid one is ignored). Always 0.
int CloseSocket(SOCKET sock);

// The calls the studio link makes on a connected socket, so that raw system calls stay here.
// One send of the whole buffer (never raising SIGPIPE); the platform's count or -1.
long SocketSend(SOCKET sock, const void* bytes, size_t count);
// One receive; the platform's count, 0 when the peer closed, or -1.
long SocketReceive(SOCKET sock, void* buffer, size_t count);
// The last socket error of the calling thread (errno).
int LastSocketError();
// True when `error` means that a receive or send time-out ran out (EAGAIN / EWOULDBLOCK).
bool IsSocketTimeoutError(int error);
// True when `error` means that the call was interrupted by a signal and may be repeated.
bool IsInterruptedError(int error);
// A dotted IPv4 address in host byte order; 0xFFFFFFFF when the text is not one.
uint32_t ParseDottedAddress(const char* text);

}  // namespace orvex
