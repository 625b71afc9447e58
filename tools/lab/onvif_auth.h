// WS-Security UsernameToken checks of the lab ONVIF cameras: PasswordDigest
// Base64(SHA-1(nonce + created + password)), a created time within five minutes of the camera's
// clock, and no nonce accepted twice within that window unless the camera allows reuse.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>

#include "tools/lab/onvif_soap.h"

namespace orvex::lab::onvif {

// How far a token's created time may lie from the camera's clock, either way.
inline constexpr std::chrono::seconds kCreatedWindow{300};

// Base64 of raw bytes, and the bytes of base64 text (nothing when it is not base64). Any thread.
std::string Base64Encode(const std::string& bytes);
std::optional<std::string> Base64Decode(const std::string& text);
// Base64(SHA-1(nonce bytes + created + password)): the digest a client sends. Any thread.
std::string PasswordDigest(const std::string& nonceBytes, const std::string& created,
                           const std::string& password);
// An xs:dateTime ("2024-05-01T10:00:00Z", optional fraction, Z or +hh:mm) as seconds since
// 1970; nothing when it is not one. Any thread.
std::optional<int64_t> ParseDateTime(const std::string& text);
// Seconds since 1970 as "YYYY-MM-DDThh:mm:ssZ". Any thread.
std::string FormatDateTime(int64_t seconds);

// Checks tokens for one camera; remembers the nonces it accepted. Safe to call from several
// connection threads.
class TokenChecker {
  public:
    // Nothing when `token` proves `password` for `username` at camera time `now` (seconds since
    // 1970); otherwise the reason the camera gives in its ter:NotAuthorized fault. A nonce seen
    // before is refused unless `allowNonceReuse`: onvif-util (libonvif) sends one nonce for a
    // whole session, several requests within one millisecond carrying the very same token, which
    // only a camera without the replay check (as many are) accepts.
    std::optional<std::string> check(const std::optional<UsernameToken>& token,
                                     const std::string& username, const std::string& password,
                                     int64_t now, bool allowNonceReuse = false);

  private:
    // Nonces stay remembered for twice the window (a created time may lie a window ahead);
    // beyond kMaxNonces the oldest are forgotten, so a flood cannot grow the camera without end.
    static constexpr size_t kMaxNonces = 65536;
    std::mutex mutex_;
    std::deque<std::pair<int64_t, std::string>> order_;  // (forget after, nonce)
    std::unordered_set<std::string> seen_;
};

}  // namespace orvex::lab::onvif
