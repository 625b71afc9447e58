// HttpLink: one camera's HTTP connection for SOAP posts (Debian's cpp-httplib), with the device
// library's limits: the connect time-out, one deadline per request, and a bounded answer size.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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
    // once more; Basic is never answered, so the password does not cross the wire in clear.
    // Before the first post.
    void setDigestCredentials(const std::string& username, const std::string& password);
    // POSTs `body` as application/soap+xml to `path` and waits for the whole answer.
    HttpAnswer post(const std::string& path, const std::string& body);
    // Drops the kept-alive connection (after a broken exchange, the next post reconnects).
    void reset();

  private:
    std::unique_ptr<httplib::Client> client_;
    HttpLimits limits_;
};

}  // namespace orvex::onvif
