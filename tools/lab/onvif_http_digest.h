// HTTP Digest authentication of the lab ONVIF cameras that demand it (RFC 7616 with MD5 and
// qop "auth"): the 401 challenge with a fresh nonce, and the check of a client's Authorization.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace orvex::lab::onvif {

// The realm every lab camera names in its challenge.
inline constexpr char kDigestRealm[] = "ONVIF camera";

// Lower-case hex MD5 of `text`. Pure; any thread.
std::string Md5Hex(const std::string& text);

// The parameters of a "Digest k=v, k="v", ..." header, names in lower case; nothing when the
// header is not a Digest one or does not parse. Pure; any thread.
std::optional<std::map<std::string, std::string>> ParseDigestHeader(const std::string& header);

// Issues nonces and checks answers for one camera. Safe to call from several connection threads.
class DigestChecker {
  public:
    // A WWW-Authenticate value with a new nonce, valid for five minutes from `now` (seconds);
    // `stale` tells the client its credentials were right and only its nonce had expired.
    std::string challenge(int64_t now, bool stale = false);
    // Nothing when `authorization` proves `password` for `username` on `method` `path` with a
    // nonce this checker issued, unexpired, and a nonce count higher than any seen with it;
    // otherwise the reason for refusing, with `stale` set when only the nonce was at fault. An
    // empty `authorization` is refused as missing.
    std::optional<std::string> check(const std::string& authorization, const std::string& method,
                                     const std::string& path, const std::string& username,
                                     const std::string& password, int64_t now, bool& stale);

  private:
    struct Issued {
        int64_t expires = 0;
        uint64_t lastCount = 0;
    };
    // Beyond this many live nonces the oldest are forgotten, so a flood cannot grow the camera.
    static constexpr size_t kMaxNonces = 4096;
    std::mutex mutex_;
    std::map<std::string, Issued> nonces_;
    std::deque<std::string> order_;
};

}  // namespace orvex::lab::onvif
