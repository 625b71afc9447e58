// CameraFleet: serves any number of lab cameras over TCP, each on its own address and port,
// one thread per connection. Used by the `cameras` role and, in-process, by tests and
// benchmarks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/net/tcp_socket.h"
#include "tools/lab/cameras_device.h"
#include "tools/lab/cameras_store.h"

namespace orvex::lab {

struct CameraEndpoint {
    std::string serial;
    std::string address;
    int32_t port = 0;
    bool listening = false;  // false while the camera is absent
};

// start, stop and the accessors may be called from any thread.
class CameraFleet {
  public:
    // `stateDir` holds every camera's records; `syncWrites` flushes each write to the disk.
    CameraFleet(std::string stateDir, bool syncWrites);
    ~CameraFleet();
    CameraFleet(const CameraFleet&) = delete;
    CameraFleet& operator=(const CameraFleet&) = delete;

    // Opens every camera's state and starts listening (an absent camera gets its port but does
    // not listen). False, with nothing running, when a serial is invalid or repeated, a state
    // file cannot be written, or an address cannot be bound; `error` says which.
    bool start(std::vector<CameraSetup> setups, std::string& error);
    // Closes every listener and connection and joins their threads.
    void stop();

    std::vector<CameraEndpoint> endpoints() const;
    // The camera with that serial; null when there is none. Valid until the fleet is destroyed.
    LabCamera* camera(const std::string& serial) const;
    // Changes a camera's faults; becoming absent closes its listener and connections, and
    // becoming present again listens on the same port, both done when this returns. False for
    // an unknown serial.
    bool setFaults(const std::string& serial, const CameraFaults& faults);

  private:
    struct Served {
        std::unique_ptr<LabCamera> camera;
        std::string address;
        int32_t port = 0;
        net::Socket listener;  // touched only by the acceptor thread once started
    };
    struct Connection {
        LabCamera* camera = nullptr;
        net::Socket socket;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void acceptLoop();
    void updateListeners();
    void serve(Connection& connection);
    void dropConnectionsOf(const LabCamera* camera);
    void reapFinished();
    // Waits `ms` unless the fleet stops first; false when it stops.
    bool pause(int32_t ms);

    CameraStateFolder folder_;
    std::vector<std::unique_ptr<Served>> served_;
    std::unordered_map<std::string, LabCamera*> bySerial_;
    // The listeners that are open, so that a wake-up costs the connections that came rather
    // than a look at every camera's listener (10,000 of them took milliseconds each time).
    std::unique_ptr<net::ReadySet> listening_;
    std::thread acceptor_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> listenersChanged_{false};
    uint64_t listenerChanges_ = 0;  // guarded by mutex_: requested, and applied by the acceptor
    uint64_t listenerChangesApplied_ = 0;
    bool started_ = false;

    mutable std::mutex mutex_;  // guards connections_ and wakes pauses
    std::condition_variable wake_;
    std::list<std::unique_ptr<Connection>> connections_;
};

}  // namespace orvex::lab
