// Challenge–response login proofs: HMAC-SHA256 over both nonces keyed with the password, so the
// password itself never crosses the wire.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orvex::rprov {

// kNonceSize random bytes from OpenSSL's generator. Any thread.
std::vector<uint8_t> MakeNonce();

// The client's proof: HMAC-SHA256(password, "RPROV login" | camera nonce | client nonce |
// newDev byte). Any thread.
std::vector<uint8_t> ClientProof(std::string_view password, std::span<const uint8_t> cameraNonce,
                                 std::span<const uint8_t> clientNonce, bool newDev);

// The camera's proof that it knows the password too: HMAC-SHA256(password, "RPROV camera" |
// client nonce | camera nonce). Any thread.
std::vector<uint8_t> CameraProof(std::string_view password, std::span<const uint8_t> clientNonce,
                                 std::span<const uint8_t> cameraNonce);

// Compares two proofs in constant time; false when their sizes differ. Any thread.
bool ProofsEqual(std::span<const uint8_t> a, std::span<const uint8_t> b);

}  // namespace orvex::rprov
