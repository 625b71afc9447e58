// HTTP Digest for the ONVIF client: reading a camera's WWW-Authenticate challenge and writing the
// Authorization that answers it (MD5 or SHA-256, plain or -sess, qop auth or auth-int).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::onvif {

struct DigestChallenge {
    std::string realm;
    std::string nonce;
    std::string opaque;     // echoed when the camera sent one
    std::string algorithm;  // as the camera named it: "MD5", "SHA-256", "MD5-sess", ...
    std::string qop;        // the one chosen: "auth", "auth-int", or empty for the old scheme
    bool stale = false;     // the nonce expired; the credentials themselves were right
};

// The challenge of one WWW-Authenticate value, when it is Digest with an algorithm and a qop
// this client can answer; nothing otherwise (Basic included). Pure; any thread.
std::optional<DigestChallenge> ParseDigestChallenge(std::string_view header);
// The best of several WWW-Authenticate values (SHA-256 before MD5), or nothing. Pure.
std::optional<DigestChallenge> ChooseDigestChallenge(const std::vector<std::string>& headers);

// The Authorization value for `method` `uri` (and `body`, for auth-int) with nonce count
// `count` and client nonce `cnonce`. Pure; any thread.
std::string DigestAuthorization(const DigestChallenge& challenge, const std::string& username,
                                const std::string& password, const std::string& method,
                                const std::string& uri, const std::string& body, uint32_t count,
                                const std::string& cnonce);

}  // namespace orvex::onvif
