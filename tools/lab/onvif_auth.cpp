#include "tools/lab/onvif_auth.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstdio>
#include <ctime>

namespace orvex::lab::onvif {

std::string Base64Encode(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

std::optional<std::string> Base64Decode(const std::string& text) {
    if (text.empty() || text.size() % 4 != 0 || text.size() > 4096) {
        return std::nullopt;
    }
    std::string out(text.size() / 4 * 3, '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    if (n < 0) {
        return std::nullopt;
    }
    // EVP_DecodeBlock counts the padding as zero bytes.
    size_t size = static_cast<size_t>(n);
    for (size_t i = text.size(); i > 0 && text[i - 1] == '=' && size > 0; --i) {
        --size;
    }
    out.resize(size);
    return out;
}

std::string PasswordDigest(const std::string& nonceBytes, const std::string& created,
                           const std::string& password) {
    const std::string input = nonceBytes + created + password;
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(input.data()), input.size(), digest);
    return Base64Encode(std::string(reinterpret_cast<const char*>(digest), sizeof digest));
}

std::optional<int64_t> ParseDateTime(const std::string& text) {
    int year, month, day, hour, minute, second, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute,
                    &second, &used) != 6 ||
        used != 19 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60 || year < 1970 || year > 9999) {
        return std::nullopt;
    }
    size_t at = 19;
    if (at < text.size() && text[at] == '.') {
        ++at;
        const size_t digits = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
        if (at == digits) {
            return std::nullopt;
        }
    }
    int64_t offset = 0;
    const std::string zone = text.substr(at);
    if (zone == "Z") {
        offset = 0;
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        int zh, zm;
        if (std::sscanf(zone.c_str() + 1, "%2d:%2d", &zh, &zm) != 2 || zh > 14 || zm > 59) {
            return std::nullopt;
        }
        offset = (zone[0] == '+' ? 1 : -1) * (zh * 3600 + zm * 60);
    } else {
        // A time without a zone is taken as UTC, as cameras do.
        if (!zone.empty()) {
            return std::nullopt;
        }
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<int64_t>(timegm(&tm)) - offset;
}

std::string FormatDateTime(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

std::optional<std::string> TokenChecker::check(const std::optional<UsernameToken>& token,
                                               const std::string& username,
                                               const std::string& password, int64_t now,
                                               bool allowNonceReuse) {
    if (!token) {
        return "Sender not Authorized: the request has no WS-Security UsernameToken";
    }
    if (token->passwordType != kPasswordDigestType) {
        return "Sender not Authorized: only PasswordDigest is accepted";
    }
    const std::optional<std::string> nonce = Base64Decode(token->nonce);
    if (!nonce || nonce->empty()) {
        return "Sender not Authorized: the nonce is not base64";
    }
    const std::optional<int64_t> created = ParseDateTime(token->created);
    if (!created) {
        return "Sender not Authorized: the created time is not an xs:dateTime";
    }
    const int64_t window = kCreatedWindow.count();
    if (*created > now + window || *created < now - window) {
        return "Sender not Authorized: the created time " + token->created +
               " is more than 5 minutes from the camera's clock " + FormatDateTime(now);
    }
    if (token->username != username ||
        PasswordDigest(*nonce, token->created, password) != token->password) {
        return "Sender not Authorized: wrong user name or password";
    }
    if (allowNonceReuse) {
        return std::nullopt;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    while (!order_.empty() && (order_.front().first < now || order_.size() >= kMaxNonces)) {
        seen_.erase(order_.front().second);
        order_.pop_front();
    }
    if (!seen_.insert(*nonce).second) {
        return "Sender not Authorized: the nonce was used before";
    }
    order_.emplace_back(now + 2 * window, *nonce);
    return std::nullopt;
}

}  // namespace orvex::lab::onvif
