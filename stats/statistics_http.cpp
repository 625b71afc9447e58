#include "stats/statistics_http.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/net/host_connection.h"

namespace orvex {
namespace {

constexpr size_t kMinRequestBuffer = 2048;
constexpr long kBodyLimit = 512;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A decimal number as the "%d" conversion reads it: blanks, an optional sign, digits.
// Values beyond the 32-bit range are clamped. False when no digit follows.
bool ReadDecimal(std::string_view text, size_t& at, long& value) {
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    size_t first = at;
    long long number = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        number = std::min<long long>(number * 10 + (text[at] - '0'), 1LL << 32);
        ++at;
    }
    if (at == first) {
        return false;
    }
    number = negative ? -number : number;
    value = static_cast<long>(std::clamp<long long>(number, INT32_MIN, INT32_MAX));
    return true;
}

// Sends the whole request; refuses an empty one.
long SendRequest(SOCKET sock, const char* request, size_t length) {
    if (request == nullptr || length == 0) {
        std::fputs("PARAM ERROR.\n", stdout);
        std::fflush(stdout);
        return -1;
    }
    return writen(sock, request, length);
}

// Reads one chunk-size line (ending in CR LF): its hexadecimal digits, other characters
// skipped. -1 when the line does not arrive or runs past the body limit.
long ReadChunkSize(const StatisticsByteReader& read) {
    long size = 0;
    char previous = 0;
    for (long length = 0; length < kBodyLimit; ++length) {
        char c;
        if (read(&c, 1) != 1) {
            return -1;
        }
        if (previous == '\r' && c == '\n') {
            return size;
        }
        previous = c;
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit >= 0) {
            size = std::min(size * 16 + digit, kBodyLimit);  // anything past the limit ends
        }
    }
    return -1;
}

}  // namespace

bool FormatStatisticsRequestHead(const std::string& path, const std::string& host, int port,
                                 size_t bodyLength, std::string& head) {
    std::vector<char> buffer(path.size() + 1024);
    int written = std::snprintf(buffer.data(), buffer.size(),
                                "POST %s HTTP/1.1\r\nAccept: */*\r\nHost: %s:%d\r\n"
                                "Connection: close\r\nContent-Type: %s\r\nContent-Length: %d "
                                "\r\n\r\n",
                                path.c_str(), host.c_str(), port,
                                "application/x-www-form-urlencoded", static_cast<int>(bodyLength));
    if (written < 0 || static_cast<size_t>(written) >= buffer.size()) {
        return false;
    }
    head.assign(buffer.data(), static_cast<size_t>(written));
    return true;
}

long ReadStatisticsResponseHead(const StatisticsByteReader& read, char* buffer, size_t capacity) {
    size_t used = 0;
    while (used < capacity) {
        if (read(buffer + used, 1) != 1) {
            return -1;
        }
        ++used;
        if (used >= 4 && std::memcmp(buffer + used - 4, "\r\n\r\n", 4) == 0) {
            return static_cast<long>(used);
        }
    }
    return -1;
}

int ParseStatisticsStatus(std::string_view head) {
    size_t at = head.find("HTTP/1.1");
    if (at == std::string_view::npos || head.find("\r\n", at) == std::string_view::npos) {
        return -1;
    }
    // "%*s %d": skip blanks and one word, then read the number.
    while (at < head.size() && IsBlank(head[at])) {
        ++at;
    }
    while (at < head.size() && !IsBlank(head[at])) {
        ++at;
    }
    long status = -1;
    if (!ReadDecimal(head, at, status)) {
        return -1;
    }
    return static_cast<int>(status);
}

void DiscardStatisticsResponseBody(const StatisticsByteReader& read, std::string_view head) {
    char body[kBodyLimit];
    if (size_t at = head.find("Content-Length: "); at != std::string_view::npos) {
        at += std::strlen("Content-Length: ");
        long length = 0;
        if (ReadDecimal(head, at, length) && length >= 1 && length < kBodyLimit) {
            read(body, static_cast<size_t>(length));
            return;
        }
    }
    if (head.find("Transfer-Encoding: chunked") == std::string_view::npos) {
        return;
    }
    long total = 0;
    for (;;) {
        long size = ReadChunkSize(read);
        if (size < 1 || size >= kBodyLimit || total + size >= kBodyLimit) {
            return;
        }
        if (read(body, static_cast<size_t>(size)) != size || read(body, 2) != 2) {
            return;
        }
        total += size;
    }
}

int StatisticsHttpPost(const std::string& host, int port, const std::string& path,
                       const std::string& body, uint32_t timeoutMs,
                       const std::function<bool()>& stopped) {
    if (port <= 0 || port > 65535) {
        return -1;
    }
    SOCKET sock = ConnectHostWithTimeouts(host.c_str(), static_cast<uint16_t>(port), timeoutMs);
    if (sock < 0) {
        return -1;
    }
    std::string head;
    std::vector<char> request;
    if (FormatStatisticsRequestHead(path, host, port, body.size(), head)) {
        request.assign(std::max(head.size() + body.size() + 1, kMinRequestBuffer), '\0');
        std::memcpy(request.data(), head.data(), head.size());
        std::memcpy(request.data() + head.size(), body.data(), body.size());
    } else {
        // An overlong host name leaves the head unformatted: nothing is sent.
        std::fputs("http_make_post_msg error\n", stdout);
        std::fflush(stdout);
        CloseSocket(sock);
        return -1;
    }
    // The outcome of the send does not matter: the answer decides.
    SendRequest(sock, request.data(), head.size() + body.size());

    std::fill(request.begin(), request.end(), '\0');
    // Each read has its own limit; the whole answer has one too.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    StatisticsByteReader read = [&](char* buffer, size_t n) -> long {
        if (std::chrono::steady_clock::now() >= deadline || (stopped && stopped())) {
            return -1;
        }
        return readn(sock, buffer, n);
    };
    long headLength = ReadStatisticsResponseHead(read, request.data(), request.size());
    int status = -1;
    if (headLength > 0) {
        std::string_view answer(request.data(), static_cast<size_t>(headLength));
        status = ParseStatisticsStatus(answer);
        if (status >= 200 && status <= 299) {
            DiscardStatisticsResponseBody(read, answer);
        }
    }
    CloseSocket(sock);
    return status;
}

}  // namespace orvex
