// StudioLinkServer: the studio's side of the studio link. Listens on a TCP address, takes the
// program's connections, hands every message they send to a callback, and sends frames back.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/tcp_socket.h"
#include "studio/studio_message.h"

namespace orvex::studiohost {

// Why a connection ended.
enum class LinkClose {
    kPeerClosed,    // the program closed it
    kReceiveError,  // a broken or invalid message
    kClosedHere,    // close() was called
    kStopped,       // the server stopped
};

// The callbacks run on the connection's reader thread (connected: on the accepting thread);
// they may call send() and close(). Each may be left empty.
struct LinkCallbacks {
    std::function<void(int connection)> connected;
    std::function<void(int connection, const StudioMessage& message)> received;
    std::function<void(int connection, LinkClose why)> closed;
};

class StudioLinkServer {
  public:
    explicit StudioLinkServer(LinkCallbacks callbacks);
    // Stops the server (see stop()).
    ~StudioLinkServer();
    StudioLinkServer(const StudioLinkServer&) = delete;
    StudioLinkServer& operator=(const StudioLinkServer&) = delete;

    // Listens on host:port (0 = a free port) and starts accepting. False, with `error`, when
    // the address cannot be taken. The owning thread, once.
    bool start(const std::string& host, uint16_t port, std::string& error);
    // The port listened on. Any thread, after start().
    int32_t port() const { return port_; }

    // The newest connection that is still open; 0 when there is none. Any thread.
    int newest() const;
    // Sends `bytes` whole on the connection. False when it is not open or the send failed.
    // Any thread; sends on one connection never interleave.
    bool send(int connection, const std::string& bytes);
    // Shuts the connection down; its reader reports kClosedHere. False when it is not open.
    // Any thread.
    bool close(int connection);

    // Stops accepting, ends every connection (kStopped unless already ended) and joins the
    // threads. The owning thread; never from a callback.
    void stop();

  private:
    struct Connection;
    void accept();
    void read(Connection& connection);
    std::shared_ptr<Connection> find(int connection) const;

    const LinkCallbacks callbacks_;
    net::Socket listener_;
    int32_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;  // guards connections_ and lastId_
    int lastId_ = 0;
    std::vector<std::shared_ptr<Connection>> connections_;
};

}  // namespace orvex::studiohost
