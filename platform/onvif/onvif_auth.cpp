#include "platform/onvif/onvif_auth.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <ctime>
#include <map>
#include <mutex>

namespace orvex::onvif {
namespace {

struct SkewTable {
    std::mutex lock;
    std::map<std::string, int64_t> skews;
};

SkewTable& Skews() {
    static SkewTable* table = new SkewTable;  // used until the process ends
    return *table;
}

}  // namespace

std::string Base64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string PasswordDigest(const std::string& nonceBytes, const std::string& created,
                           const std::string& password) {
    const std::string input = nonceBytes + created + password;
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(input.data()), input.size(), digest);
    return Base64(std::string(reinterpret_cast<const char*>(digest), sizeof digest));
}

UsernameToken MakeToken(const std::string& username, const std::string& password,
                        int64_t cameraNow) {
    std::string nonce(16, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(nonce.data()), 16) != 1) {
        // Never reuse a fixed nonce: cameras refuse a nonce seen before.
        nonce = std::to_string(std::time(nullptr)) + std::to_string(std::clock());
    }
    UsernameToken token;
    token.username = username;
    token.created = FormatDateTime(cameraNow);
    token.nonce = Base64(nonce);
    token.digest = PasswordDigest(nonce, token.created, password);
    return token;
}

std::string FormatDateTime(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

std::optional<int64_t> UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<int64_t>(timegm(&tm));
}

void RememberSkew(const std::string& cameraAddress, int64_t skewSeconds) {
    std::lock_guard<std::mutex> guard(Skews().lock);
    Skews().skews[cameraAddress] = skewSeconds;
}

int64_t RememberedSkew(const std::string& cameraAddress) {
    std::lock_guard<std::mutex> guard(Skews().lock);
    auto it = Skews().skews.find(cameraAddress);
    return it == Skews().skews.end() ? 0 : it->second;
}

}  // namespace orvex::onvif
