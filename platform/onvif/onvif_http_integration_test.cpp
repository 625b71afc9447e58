// The ONVIF client's HTTP Digest: the RFC's own answers, and how often a link signs against
// a camera on loopback: once per refused password, one trip per request while a nonce lasts,
// a second trip when a nonce is spent, and never to a Basic challenge.
#include "platform/onvif/onvif_http.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <regex>
#include <thread>

#include "platform/onvif/onvif_http_digest.h"

namespace orvex::onvif {
namespace {

TEST(OnvifHttpDigest, AnswersMatchTheRfcExamples) {
    DigestChallenge c = *ParseDigestChallenge(
        R"(Digest realm="testrealm@host.com", qop="auth,auth-int", nonce="dcd98b7102dd2f0e8b11d0f600bfb0c093", opaque="5ccc069c403ebaf9f0171e9517f40e41")");
    EXPECT_EQ(c.qop, "auth");
    EXPECT_NE(DigestAuthorization(c, "Mufasa", "Circle Of Life", "GET", "/dir/index.html", "", 1,
                                  "0a4f113b")
                  .find("response=\"6629fae49393a05397450978507c4ef1\""),
              std::string::npos);
    // Both challenges of a camera that offers two: SHA-256 is chosen, and MD5 answers too.
    const std::string tail =
        R"(realm="http-auth@example.org", qop="auth, auth-int", nonce="7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v", opaque="FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS")";
    const std::vector<std::string> offered = {"Digest algorithm=MD5, " + tail,
                                              "Digest algorithm=SHA-256, " + tail};
    const auto answer = [](const DigestChallenge& d) {
        return DigestAuthorization(d, "Mufasa", "Circle of Life", "GET", "/dir/index.html", "", 1,
                                   "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ");
    };
    EXPECT_NE(answer(*ChooseDigestChallenge(offered))
                  .find("753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1"),
              std::string::npos);
    EXPECT_NE(answer(*ParseDigestChallenge(offered[0])).find("8ca523f5e9506fed4657c9700eebdbec"),
              std::string::npos);
    for (const char* refused :
         {"Basic realm=\"x\"", "Digest realm=\"x\"", "Digest nonce=\"n\"",
          "Digest realm=\"x\", nonce=\"n\", algorithm=SHA-512-256",
          "Digest realm=\"x\", nonce=\"n\", qop=\"token\"", "Digest realm=\"x, nonce=\"n\""}) {
        EXPECT_FALSE(ParseDigestChallenge(refused)) << refused;
    }
}

// A camera on loopback guarding "/p" with the password "pw".
class DigestCamera {
  public:
    enum Mode { kKeepsNonces, kSingleUseNonces, kBasic };
    explicit DigestCamera(Mode mode) : mode_(mode) {
        server_.Post("/p", [this](const httplib::Request& request, httplib::Response& response) {
            ++requests;
            const std::string authorization = request.get_header_value("Authorization");
            if (!authorization.empty()) {
                ++signedRequests;
            }
            if (mode_ != kBasic && accepted(authorization, request.body)) {
                response.set_content("<ok/>", "text/plain");
                return;
            }
            response.status = 401;
            response.set_content("<refused/>", "text/plain");
            response.set_header("WWW-Authenticate",
                                mode_ == kBasic ? std::string("Basic realm=\"cam\"")
                                                : "Digest realm=\"cam\", qop=\"auth\", nonce=\"n" +
                                                      std::to_string(++issued_) + "\"");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~DigestCamera() {
        server_.stop();
        thread_.join();
    }
    int port() const { return port_; }

    std::atomic<int> requests{0};
    std::atomic<int> signedRequests{0};

  private:
    bool accepted(const std::string& authorization, const std::string& body) {
        std::smatch m;
        static const std::regex kFields(
            R"re(nonce="(n(\d+))".*nc=([0-9a-f]{8}), cnonce="([^"]*)")re");
        if (!std::regex_search(authorization, m, kFields)) {
            return false;
        }
        const int nonce = std::stoi(m[2]);
        const uint32_t count = static_cast<uint32_t>(std::stoul(m[3], nullptr, 16));
        if (nonce > issued_ || (mode_ == kSingleUseNonces && nonce <= spent_)) {
            return false;
        }
        spent_ = std::max(spent_, nonce);
        DigestChallenge c{"cam", m[1], "", "", "auth", false};
        return authorization ==
               DigestAuthorization(c, "admin", "pw", "POST", "/p", body, count, m[4]);
    }

    Mode mode_;
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    int issued_ = 0;  // handlers run one at a time here: the link keeps one connection
    int spent_ = 0;
};

HttpAnswer Post(HttpLink& link) {
    return link.post("/p", "<q/>");
}

TEST(OnvifHttpDigest, ALinkSignsOncePerChallengeAndNeverRepeatsARefusal) {
    {
        DigestCamera camera(DigestCamera::kKeepsNonces);
        HttpLink link("127.0.0.1", camera.port(), {});
        link.setDigestCredentials("admin", "pw");
        for (int i = 0; i < 3; ++i) {
            const HttpAnswer a = Post(link);
            EXPECT_EQ(a.status, 200);
            EXPECT_EQ(a.body, "<ok/>") << "the 401's body is not part of the answer";
        }
        EXPECT_EQ(camera.requests, 4) << "one challenge, then the nonce is reused";
    }
    {
        DigestCamera camera(DigestCamera::kSingleUseNonces);
        HttpLink link("127.0.0.1", camera.port(), {});
        link.setDigestCredentials("admin", "pw");
        EXPECT_EQ(Post(link).status, 200);
        EXPECT_EQ(Post(link).status, 200) << "a spent nonce is answered with the fresh one";
        EXPECT_EQ(camera.requests, 4);
    }
    {
        DigestCamera camera(DigestCamera::kKeepsNonces);
        HttpLink link("127.0.0.1", camera.port(), {});
        link.setDigestCredentials("admin", "wrong");
        EXPECT_EQ(Post(link).status, 401);
        EXPECT_EQ(Post(link).status, 401);
        EXPECT_EQ(camera.signedRequests, 2) << "one attempt per request, so no lock-out storm";
    }
    {
        DigestCamera camera(DigestCamera::kBasic);
        HttpLink link("127.0.0.1", camera.port(), {});
        link.setDigestCredentials("admin", "pw");
        EXPECT_EQ(Post(link).status, 401);
        EXPECT_EQ(camera.signedRequests, 0) << "the password never goes out for Basic";
    }
}

}  // namespace
}  // namespace orvex::onvif
