#include "cef3/testing/page_server.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvex::testing {

PageServer::PageServer() : server_(std::make_unique<httplib::Server>()) {
    server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Route route;
        bool known = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++hits_[request.path];
            headers_[request.path] = {request.headers.begin(), request.headers.end()};
            auto it = routes_.find(request.path);
            if (it != routes_.end()) {
                route = it->second;
                known = true;
            }
        }
        if (!known) {
            response.status = 404;
            response.set_content("<html><body>not found</body></html>", "text/html");
            return;
        }
        if (route.delay.count() > 0) {
            std::this_thread::sleep_for(route.delay);
        }
        response.status = route.status;
        response.set_content(route.body, "text/html; charset=utf-8");
    });
    // One request per connection: no idle keep-alive connection holds a worker when the
    // server stops.
    server_->set_keep_alive_max_count(1);
    port_ = server_->bind_to_any_port("127.0.0.1");
    // The socket listens from here on; connections wait until the accept loop runs.
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

PageServer::~PageServer() {
    server_->stop();
    thread_.join();
}

std::string PageServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void PageServer::page(const std::string& path, std::string body, int status,
                      std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = Route{std::move(body), status, delay};
}

int PageServer::hits(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = hits_.find(path);
    return it == hits_.end() ? 0 : it->second;
}

std::string PageServer::lastHeader(const std::string& path, const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = headers_.find(path);
    if (it == headers_.end()) {
        return std::string();
    }
    for (const auto& [key, value] : it->second) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) {
            return value;
        }
    }
    return std::string();
}

int ClosedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

}  // namespace orvex::testing
