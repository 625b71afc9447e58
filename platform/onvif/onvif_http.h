// HttpLink: one camera's HTTP connection for SOAP posts (Debian's cpp-httplib), with the device
// library's limits (the connect time-out, one deadline per request, a bounded answer size) and
// HTTP Digest for the cameras that ask for it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/onvif/onvif_http_digest.h"

namespace httplib {
class Client;
}

namespace orvex::onvif {

struct HttpLimits {
    int32_t connectMs = 3000;
    int32_t requestMs = 10000;
    size_t maxAnswerBytes = 4u << 20;  // an ONVIF answer is a few KiB; anything this big is not one
};

struct HttpAnswer {
    enum Kind {
        kAnswered,   // a status and a body came back
        kNoConnect,  // no connection could be made in time
        kTimeout,    // the camera did not answer in time
        kClosed,     // the connection broke before a whole answer came
        kTooLarge,   // the answer went past maxAnswerBytes
    } kind = kClosed;
    int status = 0;
    std::string body;
};

// Calls on one link take turns (the caller serialises them); links are independent.
class HttpLink {
  public:
    HttpLink(const std::string& host, int32_t port, HttpLimits limits);
    ~HttpLink();
    HttpLink(const HttpLink&) = delete;
    HttpLink& operator=(const HttpLink&) = delete;

    // Answers a camera's HTTP Digest challenge (401) with these credentials, sending the request
    // once more, and signs later requests with the same nonce so they need no second trip.
    // Basic is never answered, so the password does not cross the wire in clear, and a refused
    // answer is never repeated: a wrong password costs one attempt, not a camera's lock-out.
    // Before the first post.
    void setDigestCredentials(const std::string& username, const std::string& password);
    // POSTs `body` as application/soap+xml to `path` and waits for the whole answer.
    HttpAnswer post(const std::string& path, const std::string& body);
    // Drops the kept-alive connection (after a broken exchange, the next post reconnects).
    void reset();

  private:
    using Clock = std::chrono::steady_clock;
    // One exchange within `deadline`; `challenges` receives the answer's WWW-Authenticate values.
    HttpAnswer exchange(const std::string& path, const std::string& body,
                        const std::string& authorization, Clock::time_point deadline,
                        std::vector<std::string>& challenges);
    // The Authorization for the next use of the kept challenge.
    std::string authorize(const std::string& path, const std::string& body);

    std::unique_ptr<httplib::Client> client_;
    HttpLimits limits_;
    std::string username_;
    std::string password_;
    bool digest_ = false;
    std::optional<DigestChallenge> challenge_;  // the last challenge a digest was accepted under
    uint32_t nonceCount_ = 0;
};

}  // namespace orvex::onvif
