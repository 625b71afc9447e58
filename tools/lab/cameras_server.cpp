#include "tools/lab/cameras_server.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/posix/process_limits.h"

namespace orvex::lab {

using namespace rprov;
using namespace std::chrono_literals;

namespace {

// Descriptors a fleet needs besides its listeners: standard streams, the ready set, a state
// file being written, and a few connections.
constexpr size_t kSpareFiles = 32;

}  // namespace

CameraFleet::CameraFleet(std::string stateDir, bool syncWrites)
    : folder_(std::move(stateDir), syncWrites) {}

CameraFleet::~CameraFleet() {
    stop();
}

bool CameraFleet::start(std::vector<CameraSetup> setups, std::string& error) {
    if (started_) {
        error = "the fleet is already running";
        return false;
    }
    // Said up front rather than as "Too many open files" from whichever camera comes first.
    const size_t present = static_cast<size_t>(
        std::count_if(setups.begin(), setups.end(),
                      [](const CameraSetup& setup) { return !setup.faults.absent; }));
    const size_t limit = OpenFileLimit();
    if (limit != 0 && present + kSpareFiles > limit) {
        error = std::to_string(present) +
                " listening cameras need more descriptors than the open-file limit of " +
                std::to_string(limit) +
                " (one per camera and per connection; the lab raises its soft limit to the hard "
                "limit, ulimit -Hn)";
        return false;
    }
    std::unordered_map<std::string, LabCamera*> bySerial;
    std::vector<std::unique_ptr<Served>> served;
    for (CameraSetup& setup : setups) {
        if (!IsValidLabSerial(setup.serial)) {
            error = "invalid camera serial \"" + setup.serial + "\" (1 to 64 of A-Z a-z 0-9 . _ -)";
            return false;
        }
        if (bySerial.count(setup.serial) != 0) {
            error = "camera " + setup.serial + " is listed twice";
            return false;
        }
        auto s = std::make_unique<Served>();
        s->address = setup.address;
        s->port = setup.port;
        const bool absent = setup.faults.absent;
        s->camera = std::make_unique<LabCamera>(std::move(setup), folder_);
        if (!s->camera->open(error)) {
            return false;
        }
        bySerial[s->camera->setup().serial] = s->camera.get();
        const std::string where = s->address + ":" + std::to_string(s->port);
        net::Socket listener = net::ListenTcp(s->address, s->port, &error);
        if (!listener.valid()) {
            error =
                "camera " + s->camera->setup().serial + " cannot listen on " + where + ": " + error;
            return false;
        }
        s->port = net::LocalPort(listener);
        // An absent camera keeps its port number but nothing answers there.
        if (!absent) {
            s->listener = std::move(listener);
        }
        served.push_back(std::move(s));
    }
    listening_ = std::make_unique<net::ReadySet>();
    if (!listening_->valid()) {
        error = std::string("no ready set: ") + std::strerror(errno);
        return false;
    }
    for (auto& s : served) {
        if (s->listener.valid() && !listening_->add(s->listener, s.get())) {
            error = "camera " + s->camera->setup().serial +
                    " cannot be watched: " + std::strerror(errno);
            listening_.reset();
            return false;
        }
    }
    served_ = std::move(served);
    bySerial_ = std::move(bySerial);
    started_ = true;
    stopping_ = false;
    acceptor_ = std::thread([this] { acceptLoop(); });
    return true;
}

void CameraFleet::stop() {
    if (!started_) {
        return;
    }
    stopping_ = true;
    acceptor_.join();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& c : connections_) {
            c->socket.shutdownBoth();
        }
        wake_.notify_all();
    }
    for (auto& c : connections_) {
        c->thread.join();
    }
    connections_.clear();
    for (auto& s : served_) {
        s->listener.close();
    }
    listening_.reset();
    started_ = false;
}

std::vector<CameraEndpoint> CameraFleet::endpoints() const {
    std::vector<CameraEndpoint> out;
    for (const auto& s : served_) {
        out.push_back(
            {s->camera->setup().serial, s->address, s->port, !s->camera->faults().absent});
    }
    return out;
}

LabCamera* CameraFleet::camera(const std::string& serial) const {
    auto it = bySerial_.find(serial);
    return it == bySerial_.end() ? nullptr : it->second;
}

bool CameraFleet::setFaults(const std::string& serial, const CameraFaults& faults) {
    LabCamera* c = camera(serial);
    if (c == nullptr) {
        return false;
    }
    const bool wasAbsent = c->faults().absent;
    c->setFaults(faults);
    if (faults.absent && !wasAbsent) {
        dropConnectionsOf(c);
    }
    if (faults.absent != wasAbsent) {
        // The acceptor owns the listeners: wait until it has opened or closed this one.
        std::unique_lock<std::mutex> lock(mutex_);
        const uint64_t change = ++listenerChanges_;
        listenersChanged_ = true;
        wake_.wait_for(lock, std::chrono::seconds(2),
                       [&] { return listenerChangesApplied_ >= change || stopping_.load(); });
    }
    return true;
}

void CameraFleet::updateListeners() {
    for (auto& s : served_) {
        const bool absent = s->camera->faults().absent;
        if (absent && s->listener.valid()) {
            listening_->remove(s->listener);
            s->listener.close();
        } else if (!absent && !s->listener.valid()) {
            s->listener = net::ListenTcp(s->address, s->port);
            if (s->listener.valid() && !listening_->add(s->listener, s.get())) {
                s->listener.close();  // a listener nobody accepts on would only hang clients
            }
        }
    }
}

void CameraFleet::acceptLoop() {
    while (!stopping_) {
        if (listenersChanged_.exchange(false)) {
            uint64_t requested;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requested = listenerChanges_;
            }
            updateListeners();
            std::lock_guard<std::mutex> lock(mutex_);
            listenerChangesApplied_ = requested;
            wake_.notify_all();
        }
        // Short waits: a stop or a listener change is noticed within 50 ms.
        for (void* ready : listening_->wait(50ms)) {
            Served& owner = *static_cast<Served*>(ready);
            net::Socket accepted = net::AcceptTcp(owner.listener, 0ms);
            if (!accepted.valid()) {
                continue;
            }
            owner.camera->countConnection();
            auto connection = std::make_unique<Connection>();
            connection->camera = owner.camera.get();
            connection->socket = std::move(accepted);
            Connection* raw = connection.get();
            std::lock_guard<std::mutex> lock(mutex_);
            connections_.push_back(std::move(connection));
            raw->thread = std::thread([this, raw] { serve(*raw); });
        }
        reapFinished();
    }
}

void CameraFleet::reapFinished() {
    std::list<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->done) {
                finished.push_back(std::move(*it));
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& c : finished) {
        c->thread.join();
    }
}

void CameraFleet::dropConnectionsOf(const LabCamera* camera) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& c : connections_) {
        if (c->camera == camera) {
            c->socket.shutdownBoth();
        }
    }
}

bool CameraFleet::pause(int32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms),
                           [this] { return stopping_.load(); });
}

void CameraFleet::serve(Connection& connection) {
    const net::Socket& socket = connection.socket;
    CameraSession session;
    std::vector<uint8_t> body;
    while (!stopping_) {
        // The header and what came with it in one read; the rest of a large body after it.
        uint8_t first[4096];
        size_t got = 0;
        if (net::RecvAtLeast(socket, first, sizeof first, kHeaderSize, got, net::kNoDeadline) !=
            net::IoResult::kOk) {
            break;
        }
        std::optional<FrameHeader> header = DecodeHeader(first, nullptr);
        const size_t came = got - kHeaderSize;
        if (!header || came > header->bodyLength) {
            break;  // not our protocol, a length over the limit, or a request out of turn
        }
        body.resize(header->bodyLength);
        std::copy(first + kHeaderSize, first + got, body.begin());
        if (net::RecvExact(socket, body.data() + came, body.size() - came, net::kNoDeadline) !=
            net::IoResult::kOk) {
            break;
        }
        CameraOutcome outcome = connection.camera->handle(session, *header, body);
        if (outcome.kind == CameraOutcome::kDrop) {
            break;
        }
        if (outcome.kind == CameraOutcome::kSilent) {
            continue;
        }
        if (outcome.delayMs > 0 && !pause(outcome.delayMs)) {
            break;
        }
        // A client that stops reading does not hold the camera forever.
        if (net::SendAll(socket, outcome.frame.data(), outcome.frame.size(),
                         net::Clock::now() + 10s) != net::IoResult::kOk) {
            break;
        }
    }
    // The peer sees the end now; the descriptor is released when the thread is reaped.
    socket.shutdownBoth();
    connection.done = true;
}

}  // namespace orvex::lab
