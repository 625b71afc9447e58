#include "platform/onvif/onvif_http.h"

#include <httplib.h>
#include <openssl/rand.h>

#include <algorithm>

namespace orvex::onvif {

HttpLink::HttpLink(const std::string& host, int32_t port, HttpLimits limits)
    : client_(std::make_unique<httplib::Client>(host, port)), limits_(limits) {
    client_->set_connection_timeout(std::chrono::milliseconds(limits_.connectMs));
    // Read and write time-outs are set per exchange, from the request's deadline.
    client_->set_keep_alive(true);
    // Headers and body go out in separate writes: without this, Nagle and delayed ACKs hold
    // every request back by tens of milliseconds.
    client_->set_tcp_nodelay(true);
}

HttpLink::~HttpLink() = default;

void HttpLink::setDigestCredentials(const std::string& username, const std::string& password) {
    username_ = username;
    password_ = password;
    digest_ = true;
}

void HttpLink::reset() {
    client_->stop();
}

std::string HttpLink::authorize(const std::string& path, const std::string& body) {
    unsigned char bytes[8];
    RAND_bytes(bytes, sizeof bytes);
    std::string cnonce;
    for (unsigned char b : bytes) {
        cnonce += "0123456789abcdef"[b >> 4];
        cnonce += "0123456789abcdef"[b & 15];
    }
    return DigestAuthorization(*challenge_, username_, password_, "POST", path, body, ++nonceCount_,
                               cnonce);
}

HttpAnswer HttpLink::post(const std::string& path, const std::string& body) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits_.requestMs);
    std::vector<std::string> challenges;
    const bool signedFirst = digest_ && challenge_;
    HttpAnswer answer =
        exchange(path, body, signedFirst ? authorize(path, body) : "", deadline, challenges);
    if (!digest_ || answer.kind != HttpAnswer::kAnswered || answer.status != 401) {
        return answer;
    }
    // A 401 to an unsigned request is the camera's challenge. One to a request signed with a
    // kept nonce means that nonce is spent (stale or single-use): the password was accepted with
    // it before, so one fresh try is safe. Either way the fresh answer is the last.
    challenge_ = ChooseDigestChallenge(challenges);
    nonceCount_ = 0;
    if (!challenge_) {
        return answer;
    }
    answer = exchange(path, body, authorize(path, body), deadline, challenges);
    if (answer.kind == HttpAnswer::kAnswered && answer.status == 401) {
        challenge_.reset();  // refused: the next request starts from a fresh challenge again
    }
    return answer;
}

HttpAnswer HttpLink::exchange(const std::string& path, const std::string& body,
                              const std::string& authorization, Clock::time_point deadline,
                              std::vector<std::string>& challenges) {
    HttpAnswer answer;
    bool tooLarge = false;
    bool late = false;
    httplib::Request request;
    request.method = "POST";
    request.path = path;
    request.body = body;
    request.set_header("Content-Type", "application/soap+xml; charset=utf-8");
    if (!authorization.empty()) {
        request.set_header("Authorization", authorization);
    }
    // The answer is gathered here so its size and the request's deadline are checked as it
    // arrives: a camera that trickles bytes must not hold a worker past the limit.
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
    // A digest's second trip shares the first one's deadline: it waits only for what is left.
    const auto left =
        std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                 std::chrono::milliseconds(1));
    client_->set_read_timeout(left);
    client_->set_write_timeout(left);
    httplib::Response response;
    httplib::Error error = httplib::Error::Success;
    const bool sent = client_->send(request, response, error);
    if (sent && !tooLarge && !late) {
        answer.kind = HttpAnswer::kAnswered;
        answer.status = response.status;
        challenges.clear();
        for (size_t i = 0; i < response.get_header_value_count("WWW-Authenticate"); ++i) {
            challenges.push_back(response.get_header_value("WWW-Authenticate", i));
        }
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
