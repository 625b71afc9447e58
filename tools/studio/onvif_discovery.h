// Finding ONVIF cameras: a WS-Discovery Probe sent to the multicast group, the ProbeMatches
// that answer it, and what each camera tells about itself once logged in to.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvex::site {

// One camera that answered: where its device service is.
struct ProbeAnswer {
    std::string endpoint;  // its WS-Addressing endpoint reference (stable per device)
    std::string xaddr;     // the device service URL used
    std::string host;
    int port = 80;
    std::string path;
};

// The Probe for NetworkVideoTransmitter devices with that message id. Pure; any thread.
std::string ProbeMessage(const std::string& messageId);
// The answers of one ProbeMatches datagram relating to `messageId` (none for other datagrams,
// or answers without an http device service address). Pure; any thread.
std::vector<ProbeAnswer> ParseProbeMatches(const std::string& datagram,
                                           const std::string& messageId);

struct DiscoveryOptions {
    std::string interface;  // a name or an IPv4 address; empty: the routing table picks
    int waitMs = 3000;
};

// Sends the Probe and gathers the answers for `waitMs`, one per device service address.
// `progress` is called about five times a second with the milliseconds left and the number
// found. False, with `error`, when no Probe could be sent. The calling thread.
bool Discover(const DiscoveryOptions& options, std::vector<ProbeAnswer>& answers,
              std::string& error, const std::function<void(int msLeft, size_t found)>& progress);

// What a camera reports once logged in to.
struct CameraFacts {
    bool loggedIn = false;
    bool refused = false;  // the camera refused the user name or password
    std::string reason;    // why not, when not logged in
    std::string serial;
    std::string manufacturer;
    std::string model;
    int channels = 0;  // video sources
};

// Logs in to the camera's device service with `user` and `password` (clock skew corrected)
// and reads its device information and video sources. Any thread.
CameraFacts ReadCamera(const ProbeAnswer& answer, const std::string& user,
                       const std::string& password);

}  // namespace orvex::site
