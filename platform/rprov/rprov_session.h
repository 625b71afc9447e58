// One login's connection to a camera: request–reply exchanges over the framed wire protocol,
// each bounded by a deadline. A time-out, a dropped connection or a malformed reply breaks the
// session for good.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/net/tcp_socket.h"
#include "platform/rprov/rprov_wire.h"

namespace orvex::rprov {

// The device library's connections are the socket module's.
using net::AcceptTcp;
using net::Clock;
using net::ConnectTcp;
using net::IoResult;
using net::kNoDeadline;
using net::ListenTcp;
using net::LocalPort;
using net::ReadySet;
using net::RecvAtLeast;
using net::RecvExact;
using net::SendAll;
using net::Socket;
using net::WaitReadable;

// What one exchange brought back.
struct Reply {
    uint16_t status = STATUS_OK;
    std::string message;
    std::vector<uint8_t> payload;
};

enum class CallResult {
    kOk,         // a well-formed reply arrived (its status may still be an error)
    kTimeout,    // no whole reply before the deadline
    kClosed,     // the camera closed the connection
    kMalformed,  // the reply was not a valid frame for the request
    kBroken,     // an earlier exchange already broke the session
};

// Not synchronised: the library holds a lock per session around every use.
class Session {
  public:
    explicit Session(Socket socket) : socket_(std::move(socket)) {}

    // Sends one request and reads its reply, both before `deadline`.
    CallResult call(uint16_t op, std::span<const uint8_t> body, Clock::time_point deadline,
                    Reply& reply);
    bool broken() const { return broken_; }
    void close();

  private:
    Socket socket_;
    uint32_t nextRequestId_ = 1;
    bool broken_ = false;
};

}  // namespace orvex::rprov
