#include "platform/rprov/rprov_auth.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <random>
#include <string>

#include "platform/rprov/rprov_wire.h"

namespace orvex::rprov {
namespace {

std::vector<uint8_t> Hmac(std::string_view key, std::string_view label,
                          std::span<const uint8_t> first, std::span<const uint8_t> second,
                          std::span<const uint8_t> tail = {}) {
    std::vector<uint8_t> message(label.begin(), label.end());
    message.insert(message.end(), first.begin(), first.end());
    message.insert(message.end(), second.begin(), second.end());
    message.insert(message.end(), tail.begin(), tail.end());
    std::vector<uint8_t> mac(kProofSize);
    unsigned int length = 0;
    // An empty password is a valid key: HMAC pads it like any other.
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), message.data(), message.size(),
         mac.data(), &length);
    mac.resize(length);
    return mac;
}

}  // namespace

std::vector<uint8_t> MakeNonce() {
    std::vector<uint8_t> nonce(kNonceSize);
    if (RAND_bytes(nonce.data(), static_cast<int>(nonce.size())) != 1) {
        // The generator failed to seed; a nonce from the system's entropy source still keeps
        // replies from being replayed.
        std::random_device device;
        for (uint8_t& b : nonce) {
            b = static_cast<uint8_t>(device());
        }
    }
    return nonce;
}

std::vector<uint8_t> ClientProof(std::string_view password, std::span<const uint8_t> cameraNonce,
                                 std::span<const uint8_t> clientNonce, bool newDev) {
    const uint8_t flag = newDev ? 1 : 0;
    return Hmac(password, "RPROV login", cameraNonce, clientNonce, {&flag, 1});
}

std::vector<uint8_t> CameraProof(std::string_view password, std::span<const uint8_t> clientNonce,
                                 std::span<const uint8_t> cameraNonce) {
    return Hmac(password, "RPROV camera", clientNonce, cameraNonce);
}

bool ProofsEqual(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace orvex::rprov
