#include "tools/studio/link/studio_link_server.h"

#include <sys/socket.h>

#include "platform/net/socket_utils.h"
#include "studio/studio_link_client.h"

namespace orvex::studiohost {

using namespace std::chrono_literals;

struct StudioLinkServer::Connection {
    int id = 0;
    net::Socket socket;
    std::mutex sendLock;  // one frame at a time, and no send on a socket being closed
    std::atomic<bool> open{true};
    std::atomic<bool> closedHere{false};
    std::thread reader;
};

StudioLinkServer::StudioLinkServer(LinkCallbacks callbacks) : callbacks_(std::move(callbacks)) {}

StudioLinkServer::~StudioLinkServer() {
    stop();
}

bool StudioLinkServer::start(const std::string& host, uint16_t port, std::string& error) {
    listener_ = net::ListenTcp(host, port, &error);
    if (!listener_.valid()) {
        return false;
    }
    port_ = net::LocalPort(listener_);
    acceptor_ = std::thread([this] { accept(); });
    return true;
}

void StudioLinkServer::accept() {
    while (!stop_) {
        net::Socket socket = net::AcceptTcp(listener_, 200ms);
        if (!socket.valid()) {
            continue;
        }
        // Blocking with a receive time-out: the reader looks at stop_ this often.
        SetSocketBlockMode(socket.fd(), 0);
        SetSocketTimeout(socket.fd(), SO_RCVTIMEO, 200);
        auto connection = std::make_shared<Connection>();
        connection->socket = std::move(socket);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            connection->id = ++lastId_;
            connections_.push_back(connection);
        }
        if (callbacks_.connected) {
            callbacks_.connected(connection->id);
        }
        connection->reader = std::thread([this, connection] { read(*connection); });
    }
}

void StudioLinkServer::read(Connection& connection) {
    for (;;) {
        StudioMessage message;
        const int result = ReceiveStudioMessage(connection.socket.fd(), message, &stop_);
        if (result != STUDIO_RECV_COMPLETE) {
            connection.open = false;
            const LinkClose why = connection.closedHere           ? LinkClose::kClosedHere
                                  : result == STUDIO_RECV_CLOSED  ? LinkClose::kPeerClosed
                                  : result == STUDIO_RECV_STOPPED ? LinkClose::kStopped
                                                                  : LinkClose::kReceiveError;
            if (callbacks_.closed) {
                callbacks_.closed(connection.id, why);
            }
            std::lock_guard<std::mutex> lock(connection.sendLock);
            connection.socket.close();
            return;
        }
        if (callbacks_.received) {
            callbacks_.received(connection.id, message);
        }
    }
}

std::shared_ptr<StudioLinkServer::Connection> StudioLinkServer::find(int connection) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& c : connections_) {
        if (c->id == connection) {
            return c;
        }
    }
    return nullptr;
}

int StudioLinkServer::newest() const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = connections_.rbegin(); it != connections_.rend(); ++it) {
        if ((*it)->open) {
            return (*it)->id;
        }
    }
    return 0;
}

bool StudioLinkServer::send(int connection, const std::string& bytes) {
    std::shared_ptr<Connection> c = find(connection);
    if (!c) {
        return false;
    }
    std::lock_guard<std::mutex> lock(c->sendLock);
    return c->socket.valid() && net::SendAll(c->socket, bytes.data(), bytes.size(),
                                             net::kNoDeadline) == net::IoResult::kOk;
}

bool StudioLinkServer::close(int connection) {
    std::shared_ptr<Connection> c = find(connection);
    if (!c || !c->open) {
        return false;
    }
    std::lock_guard<std::mutex> lock(c->sendLock);
    c->open = false;
    c->closedHere = true;
    c->socket.shutdownBoth();  // the reader reports the end
    return true;
}

void StudioLinkServer::stop() {
    stop_ = true;
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    std::vector<std::shared_ptr<Connection>> connections;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connections = connections_;
    }
    for (auto& connection : connections) {
        if (connection->reader.joinable()) {
            connection->reader.join();
        }
    }
    listener_.close();
}

}  // namespace orvex::studiohost
