// PageServer: a loopback HTTP server for browser tests, on an ephemeral port, serving pages
// registered by path and recording the requests it receives.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace orvex::testing {

class PageServer {
  public:
    // Starts listening on 127.0.0.1 at a free port. Any thread.
    PageServer();
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port><path>"
    std::string url(const std::string& path) const;
    // Serves `body` as text/html at `path` with the status, after the delay. Any thread.
    void page(const std::string& path, std::string body, int status = 200,
              std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    // How many requests reached the path, and a header of the last one. Any thread.
    int hits(const std::string& path) const;
    std::string lastHeader(const std::string& path, const std::string& name) const;

  private:
    struct Route {
        std::string body;
        int status = 200;
        std::chrono::milliseconds delay{0};
    };

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, Route> routes_;
    std::map<std::string, int> hits_;
    std::map<std::string, std::multimap<std::string, std::string>> headers_;
};

// A loopback port with nothing listening on it (connections are refused).
int ClosedPort();

}  // namespace orvex::testing
