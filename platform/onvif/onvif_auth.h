// WS-Security UsernameToken for ONVIF requests: the PasswordDigest of a fresh nonce and the
// created time, the xs:dateTime texts, and each camera's clock skew remembered across logins.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvex::onvif {

// One token as it goes into a request header. The password itself never does.
struct UsernameToken {
    std::string username;
    std::string digest;   // Base64(SHA-1(nonce + created + password))
    std::string nonce;    // base64 of 16 random bytes
    std::string created;  // xs:dateTime in UTC, by the camera's clock
};

// A token for `username`/`password` created at `cameraNow` (seconds since 1970 on the camera's
// clock). Any thread.
UsernameToken MakeToken(const std::string& username, const std::string& password,
                        int64_t cameraNow);
// Base64(SHA-1(nonceBytes + created + password)). Pure; any thread.
std::string PasswordDigest(const std::string& nonceBytes, const std::string& created,
                           const std::string& password);
std::string Base64(const std::string& bytes);

// "YYYY-MM-DDThh:mm:ssZ". Pure; any thread.
std::string FormatDateTime(int64_t seconds);
// Seconds since 1970 of a UTC date and time, or nothing for values outside the calendar.
std::optional<int64_t> UtcSeconds(int year, int month, int day, int hour, int minute, int second);

// The clock skew (camera minus host, seconds) last measured for each camera address, so that a
// later login starts from it. Safe to call from any thread.
void RememberSkew(const std::string& cameraAddress, int64_t skewSeconds);
int64_t RememberedSkew(const std::string& cameraAddress);

}  // namespace orvex::onvif
