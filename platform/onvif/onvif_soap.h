// The SOAP 1.2 layer of the ONVIF client: builds request envelopes with the WS-Security token,
// sends them over the camera's HTTP link, and reads answers and faults by namespace.
#pragma once

#include <pugixml.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/onvif/onvif_http.h"

namespace orvex::onvif {

// Why a call gave no usable answer.
enum class Failure {
    kNone,
    kConnect,      // no connection could be made
    kTimeout,      // the camera did not answer in time
    kClosed,       // the connection broke mid-answer
    kMalformed,    // the answer was not a SOAP 1.2 envelope, or not the one asked for
    kAuth,         // ter:NotAuthorized (or HTTP 401): the user name or password was refused
    kUnsupported,  // ter:ActionNotSupported, or a service the camera does not offer
    kDevice,       // any other fault: the camera refused; the reason says why
    kWrongSerial,  // the camera is not the one asked for
};

// One call's result: on success `answer` is the operation's response element, alive as long as
// the Reply; on failure `reason` is the camera's own fault text or the client's description.
struct Reply {
    Failure failure = Failure::kNone;
    std::string reason;
    std::string subcode;  // the fault's innermost subcode local name ("InvalidArgVal", ...)
    pugi::xml_document document;
    pugi::xml_node answer;
    bool ok() const { return failure == Failure::kNone; }
};

// Copies the failure of `from` into `to`; always false (for `return CopyFailure(...)`).
bool CopyFailure(const Reply& from, Reply& to);

// Reads `text` as a SOAP 1.2 answer into `reply`: the first element of the Body, or the fault
// with its reason and subcode. Garbage, another envelope version or an empty Body is kMalformed.
// `httpStatus` classifies an answer that is not SOAP (401 is kAuth). Pure; any thread.
void ParseSoapAnswer(std::string_view text, int httpStatus, Reply& reply);

// The fills a request's operation element: appends the arguments to it.
using Arguments = std::function<void(pugi::xml_node operation)>;
// The arguments of a call that names one thing: `<element>value</element>` ("trt:OSDToken").
// Pure; any thread.
Arguments TokenArgument(const char* element, const std::string& value);

// The request envelope for operation `op` of namespace `ns`, with a token header when `token`
// is set. Pure; any thread.
struct UsernameToken;
std::string RequestEnvelope(std::string_view ns, std::string_view op, const Arguments& arguments,
                            const UsernameToken* token);

// One camera's SOAP client: its HTTP link, its user and password, and the camera clock's skew.
// Calls take turns on one client (an internal lock); clients of different cameras run in
// parallel. Any thread.
class SoapClient {
  public:
    SoapClient(std::string host, int32_t port, std::string username, std::string password,
               HttpLimits limits);

    // Reads the camera's clock (GetSystemDateAndTime, which needs no token) and keeps the skew
    // for the tokens of later calls, and for later logins to the same address.
    bool syncClock(Reply& reply);
    // Calls `op` of service `ns` at `path` with a token; `reply` holds the answer or the failure.
    void call(const std::string& path, std::string_view ns, std::string_view op,
              const Arguments& arguments, Reply& reply);
    // The same without a token (the operations a camera answers to anyone).
    void callAnonymous(const std::string& path, std::string_view ns, std::string_view op,
                       const Arguments& arguments, Reply& reply);

    int64_t skewSeconds() const { return skew_; }
    const std::string& host() const { return host_; }
    int32_t port() const { return port_; }

  private:
    void send(const std::string& path, std::string_view ns, std::string_view op,
              const Arguments& arguments, bool authenticate, Reply& reply);

    const std::string host_;
    const int32_t port_;
    const std::string username_;
    const std::string password_;
    std::mutex lock_;  // one exchange at a time on the link: HTTP/1.1 has no interleaving
    HttpLink link_;
    std::atomic<int64_t> skew_{0};
};

// Calls `op` with a token and, when the camera answers, hands the answer to `read`; true on
// success, else false with `reply` saying why. Any thread.
bool CallAndRead(SoapClient& c, const std::string& path, std::string_view ns, std::string_view op,
                 const Arguments& arguments, const std::function<void(pugi::xml_node answer)>& read,
                 Reply& reply);

// Reads a SystemDateAndTime answer's UTCDateTime as seconds since 1970. Pure; any thread.
std::optional<int64_t> CameraUtc(pugi::xml_node getSystemDateAndTimeResponse);

}  // namespace orvex::onvif
