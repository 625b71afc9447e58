#include "platform/onvif/onvif_http_digest.h"

#include <openssl/evp.h>

#include <cctype>
#include <cstdio>
#include <map>

namespace orvex::onvif {
namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

// The name=value pairs after the scheme, names in lower case; nothing when they do not parse.
std::optional<std::map<std::string, std::string>> ReadParams(std::string_view text) {
    std::map<std::string, std::string> params;
    size_t at = 0;
    const auto skip = [&] {
        while (at < text.size() && IsSpace(text[at])) {
            ++at;
        }
    };
    while (true) {
        skip();
        const size_t start = at;
        while (at < text.size() && text[at] != '=' && text[at] != ',' && !IsSpace(text[at])) {
            ++at;
        }
        const std::string name = Lower(text.substr(start, at - start));
        skip();
        if (name.empty() || at >= text.size() || text[at] != '=') {
            return std::nullopt;
        }
        ++at;
        skip();
        std::string value;
        if (at < text.size() && text[at] == '"') {
            for (++at; at < text.size() && text[at] != '"'; ++at) {
                if (text[at] == '\\' && at + 1 < text.size()) {
                    ++at;
                }
                value += text[at];
            }
            if (at >= text.size()) {
                return std::nullopt;
            }
            ++at;
        } else {
            const size_t valueStart = at;
            while (at < text.size() && text[at] != ',' && !IsSpace(text[at])) {
                ++at;
            }
            value = std::string(text.substr(valueStart, at - valueStart));
        }
        params[name] = value;
        skip();
        if (at >= text.size()) {
            return params;
        }
        if (text[at] != ',') {
            return std::nullopt;
        }
        ++at;
    }
}

const EVP_MD* HashOf(const std::string& algorithm) {
    const std::string a = Lower(algorithm);
    if (a.empty() || a == "md5" || a == "md5-sess") {
        return EVP_md5();
    }
    if (a == "sha-256" || a == "sha-256-sess") {
        return EVP_sha256();
    }
    return nullptr;
}

std::string HexHash(const EVP_MD* md, const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, md, nullptr);
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) {
        out += kDigits[digest[i] >> 4];
        out += kDigits[digest[i] & 15];
    }
    return out;
}

// A value inside a quoted-string: backslashes and quotes escaped.
std::string Quoted(const std::string& value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::optional<DigestChallenge> ParseDigestChallenge(std::string_view header) {
    size_t at = 0;
    while (at < header.size() && IsSpace(header[at])) {
        ++at;
    }
    if (header.size() < at + 7 || Lower(header.substr(at, 6)) != "digest" ||
        !IsSpace(header[at + 6])) {
        return std::nullopt;
    }
    const auto params = ReadParams(header.substr(at + 7));
    if (!params || params->count("realm") == 0 || params->count("nonce") == 0) {
        return std::nullopt;
    }
    const auto get = [&](const char* name) {
        const auto found = params->find(name);
        return found == params->end() ? std::string() : found->second;
    };
    DigestChallenge challenge;
    challenge.realm = get("realm");
    challenge.nonce = get("nonce");
    challenge.opaque = get("opaque");
    challenge.algorithm = get("algorithm");
    challenge.stale = Lower(get("stale")) == "true";
    if (HashOf(challenge.algorithm) == nullptr) {
        return std::nullopt;
    }
    if (params->count("qop") != 0) {
        // A list such as "auth,auth-int": plain auth when offered, else auth-int.
        bool auth = false;
        bool authInt = false;
        std::string list = Lower(get("qop")) + ",";
        for (size_t from = 0, comma; (comma = list.find(',', from)) != std::string::npos;
             from = comma + 1) {
            std::string word = list.substr(from, comma - from);
            word.erase(0, word.find_first_not_of(" \t"));
            word.erase(word.find_last_not_of(" \t") + 1);
            auth = auth || word == "auth";
            authInt = authInt || word == "auth-int";
        }
        if (!auth && !authInt) {
            return std::nullopt;
        }
        challenge.qop = auth ? "auth" : "auth-int";
    }
    return challenge;
}

std::optional<DigestChallenge> ChooseDigestChallenge(const std::vector<std::string>& headers) {
    std::optional<DigestChallenge> best;
    for (const std::string& header : headers) {
        std::optional<DigestChallenge> c = ParseDigestChallenge(header);
        if (c && (!best ||
                  (HashOf(best->algorithm) == EVP_md5() && HashOf(c->algorithm) == EVP_sha256()))) {
            best = std::move(c);
        }
    }
    return best;
}

std::string DigestAuthorization(const DigestChallenge& challenge, const std::string& username,
                                const std::string& password, const std::string& method,
                                const std::string& uri, const std::string& body, uint32_t count,
                                const std::string& cnonce) {
    const EVP_MD* md = HashOf(challenge.algorithm);
    if (md == nullptr) {
        md = EVP_md5();
    }
    char nc[9];
    std::snprintf(nc, sizeof nc, "%08x", count);
    std::string ha1 = HexHash(md, username + ":" + challenge.realm + ":" + password);
    const std::string algorithm = Lower(challenge.algorithm);
    if (algorithm.size() > 5 && algorithm.compare(algorithm.size() - 5, 5, "-sess") == 0) {
        ha1 = HexHash(md, ha1 + ":" + challenge.nonce + ":" + cnonce);
    }
    std::string a2 = method + ":" + uri;
    if (challenge.qop == "auth-int") {
        a2 += ":" + HexHash(md, body);
    }
    const std::string ha2 = HexHash(md, a2);
    const std::string response = challenge.qop.empty()
                                     ? HexHash(md, ha1 + ":" + challenge.nonce + ":" + ha2)
                                     : HexHash(md, ha1 + ":" + challenge.nonce + ":" + nc + ":" +
                                                       cnonce + ":" + challenge.qop + ":" + ha2);
    std::string out = "Digest username=" + Quoted(username) + ", realm=" + Quoted(challenge.realm) +
                      ", nonce=" + Quoted(challenge.nonce) + ", uri=" + Quoted(uri);
    if (!challenge.algorithm.empty()) {
        out += ", algorithm=" + challenge.algorithm;
    }
    if (!challenge.qop.empty()) {
        out += ", qop=" + challenge.qop + ", nc=" + nc + ", cnonce=" + Quoted(cnonce);
    }
    out += ", response=" + Quoted(response);
    if (!challenge.opaque.empty()) {
        out += ", opaque=" + Quoted(challenge.opaque);
    }
    return out;
}

}  // namespace orvex::onvif
