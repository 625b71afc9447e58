// ScriptedCamera: a loopback peer for the device library's tests. It accepts connections on an
// ephemeral port and hands every request frame to a script, which answers with whatever bytes
// (well-formed or not), stays silent, or closes the connection. A default script plays a
// correct camera with one password.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/tcp_socket.h"
#include "platform/rprov/rprov_auth.h"
#include "platform/rprov/rprov_wire.h"

namespace orvex::rprov::testing {

// What the camera does with one request.
struct Action {
    std::vector<uint8_t> bytes;  // sent as they are
    bool close = false;          // close the connection after sending `bytes`
    bool silent = false;         // send nothing, keep reading
};

// Per-connection state a script may keep: the login nonces and whether the login passed.
struct Connection {
    std::vector<uint8_t> clientNonce;
    std::vector<uint8_t> cameraNonce;
    bool loggedIn = false;
};

inline Action Answer(const FrameHeader& request, uint16_t status, std::string_view message,
                     std::span<const uint8_t> payload = {}) {
    std::vector<uint8_t> body = EncodeReplyBody(status, message, payload);
    return {EncodeFrame(FRAME_REPLY, request.op, request.requestId, body), false, false};
}

class ScriptedCamera {
  public:
    using Script =
        std::function<Action(Connection&, const FrameHeader&, std::span<const uint8_t> body)>;

    // A correct camera: logs in with `password`, answers every other request with `fallback`.
    static Action CorrectLogin(const std::string& password, Connection& c, const FrameHeader& h,
                               std::span<const uint8_t> body) {
        if (h.op == OP_HELLO) {
            c.clientNonce.assign(body.begin(), body.end());
            c.cameraNonce = MakeNonce();
            return Answer(h, STATUS_OK, "", c.cameraNonce);
        }
        if (h.op == OP_LOGIN) {
            std::optional<LoginRequest> login = DecodeLoginRequest(body);
            if (!login || !ProofsEqual(login->proof, ClientProof(password, c.cameraNonce,
                                                                 c.clientNonce, login->newDev))) {
                return Answer(h, STATUS_AUTH_FAILED, "wrong password");
            }
            c.loggedIn = true;
            LoginReply reply;
            reply.cameraProof = CameraProof(password, c.clientNonce, c.cameraNonce);
            reply.deviceName = "scripted camera";
            reply.serial = "SCRIPTED";
            reply.channelCount = 1;
            return Answer(h, STATUS_OK, "", EncodeLoginReply(reply));
        }
        return Answer(h, STATUS_OK, "ok");
    }

    explicit ScriptedCamera(Script script) : script_(std::move(script)) {
        listener_ = net::ListenTcp("127.0.0.1", 0);
        port_ = net::LocalPort(listener_);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~ScriptedCamera() {
        stopping_ = true;
        acceptor_.join();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (net::Socket* s : open_) {
                s->shutdownBoth();
            }
        }
        for (std::thread& t : workers_) {
            t.join();
        }
    }
    ScriptedCamera(const ScriptedCamera&) = delete;
    ScriptedCamera& operator=(const ScriptedCamera&) = delete;

    int32_t port() const { return port_; }
    // Every byte received on any connection, in arrival order per connection.
    std::vector<uint8_t> received() {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    int connections() const { return connections_.load(); }

  private:
    void acceptLoop() {
        while (!stopping_) {
            net::Socket s = net::AcceptTcp(listener_, std::chrono::milliseconds(20));
            if (!s.valid()) {
                continue;
            }
            ++connections_;
            std::lock_guard<std::mutex> lock(mutex_);
            workers_.emplace_back([this, socket = std::move(s)]() mutable { serve(socket); });
        }
    }

    void serve(net::Socket& socket) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            open_.push_back(&socket);
        }
        Connection c;
        for (;;) {
            uint8_t head[kHeaderSize];
            if (net::RecvExact(socket, head, sizeof head, net::kNoDeadline) != net::IoResult::kOk) {
                break;
            }
            std::optional<FrameHeader> h = DecodeHeader(head, nullptr);
            if (!h) {
                break;
            }
            std::vector<uint8_t> body(h->bodyLength);
            if (net::RecvExact(socket, body.data(), body.size(), net::kNoDeadline) !=
                net::IoResult::kOk) {
                break;
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                received_.insert(received_.end(), head, head + sizeof head);
                received_.insert(received_.end(), body.begin(), body.end());
            }
            Action a = script_(c, *h, body);
            if (!a.silent && !a.bytes.empty() &&
                net::SendAll(socket, a.bytes.data(), a.bytes.size(), net::kNoDeadline) !=
                    net::IoResult::kOk) {
                break;
            }
            if (a.close) {
                break;
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        std::erase(open_, &socket);
        socket.close();
    }

    Script script_;
    net::Socket listener_;
    int32_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::vector<net::Socket*> open_;
    std::vector<uint8_t> received_;
};

}  // namespace orvex::rprov::testing
