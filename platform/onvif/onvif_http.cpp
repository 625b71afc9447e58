#include "platform/onvif/onvif_http.h"

#include <httplib.h>

namespace orvex::onvif {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

HttpLink::HttpLink(const std::string& host, int32_t port, HttpLimits limits)
    : client_(std::make_unique<httplib::Client>(host, port)), limits_(limits) {
    client_->set_connection_timeout(std::chrono::milliseconds(limits_.connectMs));
    client_->set_read_timeout(std::chrono::milliseconds(limits_.requestMs));
    client_->set_write_timeout(std::chrono::milliseconds(limits_.requestMs));
    client_->set_keep_alive(true);
    // Headers and body go out in separate writes: without this, Nagle and delayed ACKs hold
    // every request back by tens of milliseconds.
    client_->set_tcp_nodelay(true);
}

HttpLink::~HttpLink() = default;

void HttpLink::setDigestCredentials(const std::string& username, const std::string& password) {
    client_->set_digest_auth(username, password);
}

void HttpLink::reset() {
    client_->stop();
}

HttpAnswer HttpLink::post(const std::string& path, const std::string& body) {
    HttpAnswer answer;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits_.requestMs);
    bool tooLarge = false;
    bool late = false;
    httplib::Request request;
    request.method = "POST";
    request.path = path;
    request.body = body;
    request.set_header("Content-Type", "application/soap+xml; charset=utf-8");
    // The answer is gathered here so its size and the request's deadline are checked as it
    // arrives: a camera that trickles bytes must not hold a worker past the limit.
    request.response_handler = [&](const httplib::Response&) {
        // A new answer begins: the body of a 401 that was answered with a digest is dropped.
        answer.body.clear();
        return true;
    };
    request.content_receiver = [&](const char* data, size_t size, uint64_t, uint64_t) {
        if (answer.body.size() + size > limits_.maxAnswerBytes) {
            tooLarge = true;
            return false;
        }
        if (Clock::now() > deadline) {
            late = true;
            return false;
        }
        answer.body.append(data, size);
        return true;
    };
    httplib::Response response;
    httplib::Error error = httplib::Error::Success;
    const bool sent = client_->send(request, response, error);
    if (sent && !tooLarge && !late) {
        answer.kind = HttpAnswer::kAnswered;
        answer.status = response.status;
        return answer;
    }
    reset();
    answer.body.clear();
    if (tooLarge) {
        answer.kind = HttpAnswer::kTooLarge;
    } else if (late ||
               Clock::now() + std::chrono::milliseconds(limits_.requestMs / 10) >= deadline) {
        // A read that ran out its time-out ends this close to the deadline.
        answer.kind = HttpAnswer::kTimeout;
    } else if (error == httplib::Error::Connection || error == httplib::Error::ConnectionTimeout) {
        answer.kind = HttpAnswer::kNoConnect;
    } else {
        answer.kind = HttpAnswer::kClosed;
    }
    return answer;
}

}  // namespace orvex::onvif
