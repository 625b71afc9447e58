// The WS-Discovery responder of the lab ONVIF cameras: answers a multicast Probe on
// 239.255.255.250:3702 with one ProbeMatches per camera that has discovery on.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/net/multicast_socket.h"

namespace orvex::lab::onvif {

struct DiscoveryTarget {
    std::string serial;
    std::string deviceService;  // the XAddr
    std::string name;
};

// The ProbeMatches answers to a Probe datagram: nothing when it is not a Probe (or asks for
// types no camera has), else one envelope per target. Any thread.
std::vector<std::string> AnswerProbe(std::string_view datagram,
                                     const std::vector<DiscoveryTarget>& targets);
// The endpoint address a camera announces: a urn:uuid made from its serial. Any thread.
std::string EndpointUuid(const std::string& serial);

// start and stop from the role's main thread; answers on a thread of its own.
class DiscoveryResponder {
  public:
    explicit DiscoveryResponder(std::vector<DiscoveryTarget> targets)
        : targets_(std::move(targets)) {}
    ~DiscoveryResponder() { stop(); }

    bool start(std::string& error);
    void stop();

  private:
    std::vector<DiscoveryTarget> targets_;
    net::MulticastSocket socket_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
};

}  // namespace orvex::lab::onvif
