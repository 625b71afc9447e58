#include "tools/lab/onvif_server.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>

#include "tools/lab/cameras_store.h"
#include "tools/lab/onvif_services.h"

namespace orvex::lab::onvif {
namespace {

// Bodies above this are refused by the HTTP layer (413) before the XML parser sees them.
constexpr size_t kMaxBody = 1 << 20;
// Worker threads per camera: enough for a client's parallel requests at connect time.
constexpr size_t kWorkersPerCamera = 4;

}  // namespace

OnvifFleet::OnvifFleet(std::string stateDir, bool syncWrites)
    : folder_(std::move(stateDir), syncWrites) {}

OnvifFleet::~OnvifFleet() {
    stop();
}

bool OnvifFleet::start(std::vector<OnvifSetup> setups, std::string& error) {
    std::lock_guard<std::mutex> changes(changes_);
    for (OnvifSetup& setup : setups) {
        if (!IsValidLabSerial(setup.serial)) {
            error = "serial \"" + setup.serial + "\" is not 1 to 64 of A-Z a-z 0-9 . _ -";
        } else if (served_.count(setup.serial) != 0) {
            error = "serial " + setup.serial + " is listed twice";
        }
        if (!error.empty()) {
            served_.clear();
            return false;
        }
        auto served = std::make_unique<Served>();
        served->port = setup.port;
        order_.push_back(setup.serial);
        served->camera = std::make_unique<OnvifCamera>(std::move(setup), folder_);
        served_[order_.back()] = std::move(served);
    }
    std::vector<DiscoveryTarget> targets;
    for (const std::string& serial : order_) {
        Served& s = *served_[serial];
        if (!s.camera->open(error) || (!s.camera->faults().absent && !listen(s, error))) {
            stopServing();
            return false;
        }
        s.camera->setEndpoint(s.camera->setup().address, s.port);
        if (s.camera->setup().discovery) {
            targets.push_back({serial, s.camera->deviceServiceUrl(), s.camera->setup().name});
        }
    }
    if (!targets.empty()) {
        discovery_ = std::make_unique<DiscoveryResponder>(targets);
        if (!discovery_->start(error)) {
            stopServing();
            return false;
        }
    }
    return true;
}

bool OnvifFleet::listen(Served& served, std::string& error) {
    OnvifCamera& camera = *served.camera;
    auto server = std::make_unique<httplib::Server>();
    server->new_task_queue = [] { return new httplib::ThreadPool(kWorkersPerCamera); };
    server->set_payload_max_length(kMaxBody);
    server->set_keep_alive_timeout(2);
    server->set_read_timeout(5, 0);
    // The server writes an answer's head and body apart; without this the body waits for the
    // client's delayed acknowledgement (40 ms an answer), as no camera's firmware makes it wait.
    server->set_tcp_nodelay(true);
    const auto serve = [this, &camera](const httplib::Request& request,
                                       httplib::Response& response) {
        HttpAnswer answer =
            camera.handle(request.body, {request.path, request.get_header_value("Authorization")});
        if (answer.kind == HttpAnswer::kSilent) {
            waitWhileSilent(camera);
            response.status = 503;  // only reached when the fault was lifted or the lab stops
            return;
        }
        if (answer.delayMs > 0 && !pause(answer.delayMs)) {
            return;
        }
        response.status = answer.status;
        if (!answer.challenge.empty()) {
            response.set_header("WWW-Authenticate", answer.challenge);
        }
        if (answer.kind == HttpAnswer::kDrop) {
            // Sends the headers and half of the answer, then fails the provider: the server
            // closes the connection without the rest.
            auto body = std::make_shared<std::string>(std::move(answer.body));
            response.set_content_provider(body->size(), "application/soap+xml; charset=utf-8",
                                          [body](size_t offset, size_t, httplib::DataSink& sink) {
                                              if (offset == 0) {
                                                  sink.write(body->data(), body->size() / 2);
                                                  return true;
                                              }
                                              return false;
                                          });
            return;
        }
        response.set_content(answer.body, "application/soap+xml; charset=utf-8");
    };
    for (const std::string& service : ServiceNames()) {
        server->Post(ServicePath(service), serve);
    }
    const std::string& address = camera.setup().address;
    if (served.port == 0) {
        served.port = server->bind_to_any_port(address);
        if (served.port <= 0) {
            error = "cannot bind " + address + " for camera " + camera.setup().serial;
            return false;
        }
    } else if (!server->bind_to_port(address, served.port)) {
        error = "cannot bind " + address + ":" + std::to_string(served.port) + " for camera " +
                camera.setup().serial;
        return false;
    }
    httplib::Server* raw = server.get();
    served.server = std::move(server);
    served.thread = std::thread([raw] { raw->listen_after_bind(); });
    return true;
}

void OnvifFleet::close(Served& served) {
    if (served.server) {
        served.server->stop();
    }
    if (served.thread.joinable()) {
        served.thread.join();
    }
    served.server.reset();
}

void OnvifFleet::stop() {
    std::lock_guard<std::mutex> changes(changes_);
    stopServing();
}

void OnvifFleet::stopServing() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (discovery_) {
        discovery_->stop();
    }
    for (auto& [serial, served] : served_) {
        close(*served);
    }
}

bool OnvifFleet::pause(int32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

void OnvifFleet::waitWhileSilent(const OnvifCamera& camera) {
    std::unique_lock<std::mutex> lock(mutex_);
    // Faults change under the camera's own lock; a short period keeps this wait simple.
    while (!stopping_ && camera.faults().silent) {
        wake_.wait_for(lock, std::chrono::milliseconds(100));
    }
}

std::vector<OnvifEndpoint> OnvifFleet::endpoints() const {
    std::lock_guard<std::mutex> changes(changes_);
    std::vector<OnvifEndpoint> out;
    for (const std::string& serial : order_) {
        const Served& s = *served_.at(serial);
        out.push_back({serial, s.camera->setup().address, s.port, s.server != nullptr,
                       s.camera->deviceServiceUrl()});
    }
    return out;
}

OnvifCamera* OnvifFleet::camera(const std::string& serial) const {
    const auto found = served_.find(serial);
    return found == served_.end() ? nullptr : found->second->camera.get();
}

bool OnvifFleet::setFaults(const std::string& serial, const OnvifFaults& faults,
                           std::string& error) {
    std::lock_guard<std::mutex> changes(changes_);
    const auto found = served_.find(serial);
    if (found == served_.end()) {
        error = "no camera \"" + serial + "\"";
        return false;
    }
    Served& s = *found->second;
    const bool wasAbsent = s.camera->faults().absent;
    s.camera->setFaults(faults);
    wake_.notify_all();
    if (faults.absent && !wasAbsent) {
        close(s);
    } else if (!faults.absent && wasAbsent && !s.server) {
        return listen(s, error);
    }
    return true;
}

}  // namespace orvex::lab::onvif
