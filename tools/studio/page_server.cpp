#include "tools/studio/page_server.h"

#include <httplib.h>

namespace orvex::site {

PageServer::PageServer() : server_(std::make_unique<httplib::Server>()) {}

PageServer::~PageServer() {
    stop();
}

bool PageServer::start(const std::string& folder, const std::string& host, int port) {
    if (!server_->set_mount_point("/", folder)) {
        return false;
    }
    port_ = port == 0 ? server_->bind_to_any_port(host)
                      : (server_->bind_to_port(host, port) ? port : -1);
    if (port_ <= 0) {
        return false;
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    return true;
}

void PageServer::stop() {
    if (thread_.joinable()) {
        server_->stop();
        thread_.join();
    }
}

}  // namespace orvex::site
