// PageServer: serves one folder (the reference page) over HTTP on a loopback address, on a
// thread of its own.
#pragma once

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace orvex::site {

// The owning thread only.
class PageServer {
  public:
    PageServer();
    ~PageServer();  // stops serving
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Serves `folder` on host:port (0 = a free port). False when the folder or the address
    // cannot be taken.
    bool start(const std::string& folder, const std::string& host, int port);
    int port() const { return port_; }
    void stop();

  private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace orvex::site
