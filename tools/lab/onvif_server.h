// OnvifFleet: serves the lab's ONVIF cameras over HTTP (Debian's cpp-httplib), each on its own
// address and port, with their faults, and the WS-Discovery responder for those that ask.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/lab/onvif_camera.h"
#include "tools/lab/onvif_discovery.h"
#include "tools/lab/onvif_store.h"

namespace httplib {
class Server;
}

namespace orvex::lab::onvif {

struct OnvifEndpoint {
    std::string serial;
    std::string address;
    int32_t port = 0;
    bool listening = false;  // false while the camera is absent
    std::string deviceService;
};

// start, stop and the accessors may be called from any thread.
class OnvifFleet {
  public:
    OnvifFleet(std::string stateDir, bool syncWrites);
    ~OnvifFleet();
    OnvifFleet(const OnvifFleet&) = delete;
    OnvifFleet& operator=(const OnvifFleet&) = delete;

    // Opens every camera's state, binds every present camera's address and starts serving,
    // and starts the discovery responder when a camera asks for it. False, with nothing running,
    // when a serial is repeated or invalid, a state file cannot be written or an address cannot
    // be bound; `error` says which.
    bool start(std::vector<OnvifSetup> setups, std::string& error);
    // Stops every server (answers that wait are released) and the responder.
    void stop();

    std::vector<OnvifEndpoint> endpoints() const;
    // Null for an unknown serial. Valid until the fleet is destroyed.
    OnvifCamera* camera(const std::string& serial) const;
    // Changes a camera's faults; becoming absent stops its server, becoming present starts it
    // on the same port, both done when this returns. False, with `error`, for an unknown serial
    // or a port that cannot be bound again.
    bool setFaults(const std::string& serial, const OnvifFaults& faults, std::string& error);

  private:
    struct Served {
        std::unique_ptr<OnvifCamera> camera;
        std::unique_ptr<httplib::Server> server;
        std::thread thread;
        int32_t port = 0;
    };

    // stop's work, with changes_ held by the caller.
    void stopServing();
    bool listen(Served& served, std::string& error);
    void close(Served& served);
    // Waits `ms` unless the fleet stops or the camera's faults change; false when stopping.
    bool pause(int32_t ms);
    void waitWhileSilent(const OnvifCamera& camera);

    OnvifStateFolder folder_;
    std::map<std::string, std::unique_ptr<Served>> served_;
    std::vector<std::string> order_;  // serials in the order given
    std::unique_ptr<DiscoveryResponder> discovery_;

    // Held by start, stop, endpoints and setFaults, so that a fault change (which closes or
    // reopens a camera's server) never races a reader of the endpoints. Never taken under
    // mutex_; the server threads never take it.
    mutable std::mutex changes_;
    mutable std::mutex mutex_;  // guards stopping_ and wakes pauses
    std::condition_variable wake_;
    bool stopping_ = false;
};

}  // namespace orvex::lab::onvif
