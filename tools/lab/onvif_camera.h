// OnvifCamera: one lab camera that speaks ONVIF: its settings, faults and counters, and how it
// answers one SOAP request (authentication, dispatch to the services, persistence of sets).
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/lab/onvif_auth.h"
#include "tools/lab/onvif_http_digest.h"
#include "tools/lab/onvif_model.h"
#include "tools/lab/onvif_store.h"

namespace orvex::lab::onvif {

// What can go wrong with an ONVIF camera, set from the command line, a fleet file or a command.
struct OnvifFaults {
    bool refuseLogin = false;    // every authenticated request is refused (ter:NotAuthorized)
    bool wrongPassword = false;  // the camera's password is not the one listed for it
    bool silent = false;         // requests are read, never answered
    bool absent = false;         // nothing listens at the camera's address
    int32_t delayMs = 0;         // every answer waits this long
    std::string failOp;          // this operation answers a ter:Action fault
    std::string dropOnOp;        // this operation closes the connection halfway through its answer
    int64_t skewSeconds = 0;     // the camera's clock runs this far from the host's
    std::set<std::string> unsupported;  // services whose every operation is ActionNotSupported
    bool noWifi = false;
    bool noOsd = false;
    bool noAnalytics = false;
    bool allowNonceReuse = false;  // no replay check: a nonce is accepted again
    bool httpDigest = false;  // authenticated operations also need HTTP Digest (401 until given)
    bool operator==(const OnvifFaults&) const = default;
};

struct OnvifSetup {
    std::string serial;
    std::string name;  // device name; the serial when empty
    std::string address = "127.0.0.1";
    int32_t port = 8080;  // 0 = a free port chosen when the camera starts
    std::string username = "admin";
    std::string password;
    std::vector<int> channels{1};
    int wifiNetworks = 8;
    bool discovery = false;  // answers WS-Discovery probes
    OnvifFaults faults;
};

struct OnvifCounters {
    int requests = 0;
    int logins = 0;        // requests whose UsernameToken was accepted
    int failedLogins = 0;  // refused authentications
    int reads = 0;
    int setsAccepted = 0;
    int setsRefused = 0;
};

// What the HTTP server does with a request.
struct HttpAnswer {
    enum Kind { kReply, kSilent, kDrop } kind = kReply;
    int status = 200;
    std::string body;
    int32_t delayMs = 0;
    std::string challenge;  // the WWW-Authenticate value of a 401
};

// What the HTTP layer passes on of a request besides its body.
struct HttpRequestHead {
    std::string path;           // the service path posted to
    std::string authorization;  // the Authorization header; empty when none came
};

// The services a camera offers, by the name used in fault words and paths.
inline const std::vector<std::string>& ServiceNames() {
    static const std::vector<std::string> kNames{"device", "media", "media2", "imaging",
                                                 "analytics"};
    return kNames;
}

// Safe to use from several connection threads: one lock guards the camera's state.
class OnvifCamera {
  public:
    OnvifCamera(OnvifSetup setup, const OnvifStateFolder& folder);

    // Loads the state file, or makes the state from the serial and stores it. Before serving.
    bool open(std::string& error);
    // Where the camera really listens, for the service addresses it reports. Before serving.
    void setEndpoint(const std::string& address, int32_t port);

    // The answer to one HTTP POST body. Any thread.
    HttpAnswer handle(std::string_view body, const HttpRequestHead& head = {});

    const OnvifSetup& setup() const { return setup_; }
    std::string deviceServiceUrl() const;
    OnvifFaults faults() const;
    void setFaults(const OnvifFaults& faults);
    CameraState state() const;
    OnvifCounters counters() const;
    // The camera's clock: the host's plus its skew, in seconds since 1970.
    int64_t now() const;

  private:
    HttpAnswer answer(const SoapRequest& request, const HttpRequestHead& head,
                      const OnvifFaults& faults);
    // Nothing when the request's HTTP Digest proves `password`; otherwise the 401 that asks
    // for credentials. Called with lock_ held.
    std::optional<HttpAnswer> demandDigest(const HttpRequestHead& head, const std::string& password,
                                           int64_t clock);

    const OnvifSetup setup_;
    const OnvifStateFolder& folder_;
    std::string address_;
    int32_t port_ = 0;
    TokenChecker tokens_;
    DigestChecker digests_;
    mutable std::mutex lock_;
    OnvifFaults faults_;
    CameraState state_;
    OnvifCounters counters_;
};

}  // namespace orvex::lab::onvif
