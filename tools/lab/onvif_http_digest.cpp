#include "tools/lab/onvif_http_digest.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cctype>
#include <cstdio>

namespace orvex::lab::onvif {
namespace {

constexpr int64_t kNonceLifetime = 300;

std::string Hex(const unsigned char* bytes, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

void SkipSpaces(const std::string& text, size_t& at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
}

}  // namespace

std::string Md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr);
    return Hex(digest, size);
}

std::optional<std::map<std::string, std::string>> ParseDigestHeader(const std::string& header) {
    size_t at = 0;
    SkipSpaces(header, at);
    if (Lower(header.substr(at, 6)) != "digest" || at + 6 >= header.size() ||
        (header[at + 6] != ' ' && header[at + 6] != '\t')) {
        return std::nullopt;
    }
    at += 6;
    std::map<std::string, std::string> params;
    while (true) {
        SkipSpaces(header, at);
        const size_t nameStart = at;
        while (at < header.size() && header[at] != '=' && header[at] != ',' && header[at] != ' ') {
            ++at;
        }
        const std::string name = Lower(header.substr(nameStart, at - nameStart));
        SkipSpaces(header, at);
        if (name.empty() || at >= header.size() || header[at] != '=') {
            return std::nullopt;
        }
        ++at;
        SkipSpaces(header, at);
        std::string value;
        if (at < header.size() && header[at] == '"') {
            for (++at; at < header.size() && header[at] != '"'; ++at) {
                if (header[at] == '\\' && at + 1 < header.size()) {
                    ++at;
                }
                value += header[at];
            }
            if (at >= header.size()) {
                return std::nullopt;  // an unterminated quoted value
            }
            ++at;
        } else {
            const size_t valueStart = at;
            while (at < header.size() && header[at] != ',' && header[at] != ' ') {
                ++at;
            }
            value = header.substr(valueStart, at - valueStart);
        }
        if (!params.emplace(name, value).second) {
            return std::nullopt;  // a parameter given twice is ambiguous
        }
        SkipSpaces(header, at);
        if (at >= header.size()) {
            return params;
        }
        if (header[at] != ',') {
            return std::nullopt;
        }
        ++at;
    }
}

std::string DigestChecker::challenge(int64_t now, bool stale) {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1) {
        // Without randomness no nonce can be trusted; an unanswerable one refuses every client.
        return std::string("Digest realm=\"") + kDigestRealm + "\", qop=\"auth\", nonce=\"-\"";
    }
    const std::string nonce = Hex(bytes, sizeof bytes);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        while (!order_.empty() &&
               (order_.size() >= kMaxNonces || nonces_[order_.front()].expires < now)) {
            nonces_.erase(order_.front());
            order_.pop_front();
        }
        nonces_[nonce] = {now + kNonceLifetime, 0};
        order_.push_back(nonce);
    }
    return std::string("Digest realm=\"") + kDigestRealm + "\", qop=\"auth\", nonce=\"" + nonce +
           "\", algorithm=MD5" + (stale ? ", stale=true" : "");
}

std::optional<std::string> DigestChecker::check(const std::string& authorization,
                                                const std::string& method, const std::string& path,
                                                const std::string& username,
                                                const std::string& password, int64_t now,
                                                bool& stale) {
    stale = false;
    if (authorization.empty()) {
        return "Sender not Authorized: HTTP Digest authentication is required";
    }
    const auto params = ParseDigestHeader(authorization);
    if (!params) {
        return "Sender not Authorized: the Authorization header is not HTTP Digest";
    }
    const auto get = [&](const char* name) {
        const auto found = params->find(name);
        return found == params->end() ? std::string() : found->second;
    };
    const std::string algorithm = get("algorithm");
    if (get("qop") != "auth" || (!algorithm.empty() && Lower(algorithm) != "md5")) {
        return "Sender not Authorized: only qop=auth with MD5 is accepted";
    }
    if (get("realm") != kDigestRealm || get("uri") != path || get("cnonce").empty()) {
        return "Sender not Authorized: the digest names another realm or address";
    }
    const std::string nc = get("nc");
    unsigned long long count = 0;
    int used = 0;
    if (nc.size() != 8 || std::sscanf(nc.c_str(), "%8llx%n", &count, &used) != 1 || used != 8 ||
        count == 0) {
        return "Sender not Authorized: the nonce count is not 8 hex digits";
    }
    const std::string nonce = get("nonce");
    const std::string ha1 = Md5Hex(username + ":" + kDigestRealm + ":" + password);
    const std::string ha2 = Md5Hex(method + ":" + path);
    const std::string expected =
        Md5Hex(ha1 + ":" + nonce + ":" + nc + ":" + get("cnonce") + ":auth:" + ha2);
    if (get("username") != username || get("response") != expected) {
        return "Sender not Authorized: wrong user name or password";
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const auto issued = nonces_.find(nonce);
    if (issued == nonces_.end() || issued->second.expires < now) {
        stale = true;
        return "Sender not Authorized: the nonce is unknown or expired";
    }
    if (count <= issued->second.lastCount) {
        return "Sender not Authorized: the nonce count was used before";
    }
    issued->second.lastCount = count;
    return std::nullopt;
}

}  // namespace orvex::lab::onvif
