// The lab ONVIF camera answering SOAP bodies in-process: authentication (digest, clock window,
// replay), exact field changes after sets, and bad input that must be refused, never crash.
#include "tools/lab/onvif_camera.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tools/lab/onvif_discovery.h"
#include "tools/lab/onvif_setup.h"

namespace orvex::lab::onvif {
namespace {

constexpr char kPassword[] = "cam-pass-1";

std::string Envelope(const std::string& body, const std::string& header = "") {
    return "<x:Envelope xmlns:x=\"http://www.w3.org/2003/05/soap-envelope\"><x:Header>" + header +
           "</x:Header><x:Body>" + body + "</x:Body></x:Envelope>";
}

std::string Token(const std::string& nonce, const std::string& created,
                  const std::string& password = kPassword) {
    return "<S:Security xmlns:S=\"" + std::string(kWsseNs) +
           "\"><S:UsernameToken><S:Username>admin</S:Username><S:Password Type=\"" +
           kPasswordDigestType + "\">" + PasswordDigest(nonce, created, password) +
           "</S:Password><S:Nonce>" + Base64Encode(nonce) + "</S:Nonce><U:Created xmlns:U=\"" +
           kWsuNs + "\">" + created + "</U:Created></S:UsernameToken></S:Security>";
}

class OnvifCameraTest : public ::testing::Test {
  protected:
    OnvifCameraTest()
        : dir_(std::filesystem::temp_directory_path() /
               ("onvif-camera-test-" + std::to_string(::getpid()))),
          folder_(dir_.string(), false) {
        OnvifSetup setup;
        setup.serial = "UNIT0001";
        setup.password = kPassword;
        setup.channels = {1, 2};
        camera_ = std::make_unique<OnvifCamera>(setup, folder_);
        std::string error;
        EXPECT_TRUE(camera_->open(error)) << error;
        camera_->setEndpoint("127.0.0.1", 8080);
    }
    ~OnvifCameraTest() override { std::filesystem::remove_all(dir_); }

    // The answer to an operation signed with a fresh nonce at the camera's own time.
    HttpAnswer Signed(const std::string& operation) {
        return camera_->handle(Envelope(operation, Token("nonce-" + std::to_string(++nonces_),
                                                         FormatDateTime(camera_->now()))));
    }

    std::filesystem::path dir_;
    OnvifStateFolder folder_;
    std::unique_ptr<OnvifCamera> camera_;
    int nonces_ = 0;
};

TEST(OnvifAuth, DigestAndDateTimeFollowTheUsernameTokenProfile) {
    // The digest of the WS-Security UsernameToken profile's own example.
    EXPECT_EQ(PasswordDigest(*Base64Decode("LKqI6G/AikKCQrN0zqZFlg=="), "2010-09-16T07:50:45Z",
                             "userpassword"),
              "tuOSpGlFlIXsozq4HFNeeGeFLEI=");
    EXPECT_EQ(ParseDateTime("2024-05-01T10:00:00Z"), 1714557600);
    EXPECT_EQ(ParseDateTime("2024-05-01T12:00:00.125+02:00"), 1714557600);
    for (const char* bad : {"", "2024-05-01", "2024-13-01T00:00:00Z", "2024-05-01T10:00:00Q",
                            "2024-05-01T10:00:00."}) {
        EXPECT_FALSE(ParseDateTime(bad)) << bad;
    }
}

TEST(OnvifHttpDigest, HeadersParseOrAreRefusedWhole) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    const auto parsed = ParseDigestHeader(
        R"(digest Username="a\"b", realm="x, y",nc=00000001 , qop=auth,  uri="/p")");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, (std::map<std::string, std::string>{{"username", "a\"b"},
                                                           {"realm", "x, y"},
                                                           {"nc", "00000001"},
                                                           {"qop", "auth"},
                                                           {"uri", "/p"}}));
    for (const char* bad : {"", "Basic YWRtaW46cHc=", "Digest", "Digest realm", "Digest a=\"open",
                            "Digest a=1, a=2", "Digest a=1 b=2", "Digest =1", "Digestive a=1"}) {
        EXPECT_FALSE(ParseDigestHeader(bad)) << bad;
    }
}

// The nonce a 401 carries is good for five minutes, each count once, for the path it names.
TEST(OnvifHttpDigest, AnswersProveThePasswordOnceAndOnlyInTime) {
    DigestChecker checker;
    const int64_t t = 1714557600;
    const std::string nonce = ParseDigestHeader(checker.challenge(t))->at("nonce");
    const auto answer = [&](const std::string& nc, const std::string& password = kPassword,
                            const std::string& uri = "/onvif/media_service",
                            const std::string& withNonce = "") {
        const std::string n = withNonce.empty() ? nonce : withNonce;
        const std::string ha1 = Md5Hex(std::string("admin:") + kDigestRealm + ":" + password);
        const std::string response =
            Md5Hex(ha1 + ":" + n + ":" + nc + ":c1:auth:" + Md5Hex("POST:" + uri));
        return "Digest username=\"admin\", realm=\"" + std::string(kDigestRealm) + "\", nonce=\"" +
               n + "\", uri=\"" + uri + "\", qop=auth, nc=" + nc + ", cnonce=\"c1\", response=\"" +
               response + "\"";
    };
    bool stale = false;
    const auto check = [&](const std::string& header, int64_t now = 1714557600) {
        return checker.check(header, "POST", "/onvif/media_service", "admin", kPassword, now,
                             stale);
    };
    EXPECT_TRUE(check(""));
    EXPECT_TRUE(check(answer("00000001", "other")));
    EXPECT_TRUE(check(answer("00000001", kPassword, "/onvif/device_service")));
    EXPECT_TRUE(check(answer("00000001", kPassword, "/onvif/media_service", "f00d")));
    EXPECT_TRUE(stale) << "a right answer to a nonce never issued only needs a fresh one";
    EXPECT_FALSE(check(answer("00000001")));
    EXPECT_TRUE(check(answer("00000001"))) << "a count is accepted once";
    EXPECT_FALSE(check(answer("0000000a"))) << "counts may skip, as clients share one counter";
    EXPECT_TRUE(check(answer("00000002")));
    EXPECT_TRUE(check(answer("0000000b"), t + 301)) << "the nonce has expired";
    EXPECT_TRUE(stale);
    EXPECT_TRUE(check(answer("0000000c", "other"), t + 301));
    EXPECT_FALSE(stale) << "a wrong password is never called stale";
}

TEST_F(OnvifCameraTest, AuthenticationRefusesMissingWrongStaleAndReplayedTokens) {
    const std::string op = "<GetNTP xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>";
    const std::string now = FormatDateTime(camera_->now());
    struct Case {
        const char* what;
        std::string header;
    };
    const Case refused[] = {
        {"no header", ""},
        {"wrong password", Token("n1", now, "other")},
        {"created 6 minutes ago", Token("n2", FormatDateTime(camera_->now() - 360))},
        {"created 6 minutes ahead", Token("n3", FormatDateTime(camera_->now() + 360))},
    };
    for (const Case& c : refused) {
        const HttpAnswer a = camera_->handle(Envelope(op, c.header));
        EXPECT_EQ(a.status, 400) << c.what;
        EXPECT_NE(a.body.find("ter:NotAuthorized"), std::string::npos) << c.what;
    }
    const std::string token = Token("n4", FormatDateTime(camera_->now() - 240));
    EXPECT_EQ(camera_->handle(Envelope(op, token)).status, 200) << "4 minutes is inside";
    const HttpAnswer replay = camera_->handle(Envelope(op, token));
    EXPECT_NE(replay.body.find("nonce was used before"), std::string::npos);
    EXPECT_EQ(camera_->counters().failedLogins, 5);
    EXPECT_EQ(camera_->counters().logins, 1);

    // Unauthenticated by design: what a client needs before it can sign.
    EXPECT_EQ(
        camera_
            ->handle(Envelope("<GetSystemDateAndTime xmlns=\"" + std::string(kDeviceNs) + "\"/>"))
            .status,
        200);
}

TEST_F(OnvifCameraTest, ASkewedClockMovesTheWindow) {
    OnvifFaults faults;
    faults.skewSeconds = 3600;
    camera_->setFaults(faults);
    const std::string op = "<GetNTP xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>";
    const std::string host = FormatDateTime(camera_->now() - 3600);
    EXPECT_EQ(camera_->handle(Envelope(op, Token("a", host))).status, 400);
    EXPECT_EQ(Signed(op).status, 200);
}

TEST_F(OnvifCameraTest, SetsChangeExactlyTheFieldsAskedForAndRefuseOutOfRange) {
    const CameraState before = camera_->state();
    const std::string set =
        "<t:SetImagingSettings xmlns:t=\"http://www.onvif.org/ver20/imaging/wsdl\" "
        "xmlns:s=\"http://www.onvif.org/ver10/schema\"><t:VideoSourceToken>VideoSource_2"
        "</t:VideoSourceToken><t:ImagingSettings><s:Brightness>77</s:Brightness>"
        "</t:ImagingSettings></t:SetImagingSettings>";
    ASSERT_EQ(Signed(set).status, 200);
    CameraState expected = before;
    expected.channels[1].imaging.brightness = 77;
    EXPECT_EQ(camera_->state(), expected);

    std::string tooBright = set;
    tooBright.replace(tooBright.find(">77<"), 4, ">101<");
    const HttpAnswer refused = Signed(tooBright);
    EXPECT_NE(refused.body.find("ter:InvalidArgVal"), std::string::npos);
    EXPECT_NE(refused.body.find("亮度 101 超出范围 0..100"), std::string::npos);
    EXPECT_EQ(camera_->state(), expected);

    // The state file holds the accepted set, for the next start.
    CameraState stored;
    ASSERT_TRUE(folder_.load("UNIT0001", stored));
    EXPECT_EQ(stored, expected);
}

// The sets no third-party client test makes: Wi-Fi (the passphrase is write-only, so the state
// is compared directly) and the motion rule, whose deletion is the motion switch.
TEST_F(OnvifCameraTest, WifiAndMotionSetsChangeOnlyTheirFields) {
    const CameraState before = camera_->state();
    const std::string schema = "http://www.onvif.org/ver10/schema";
    ASSERT_EQ(Signed("<d:SetNetworkInterfaces xmlns:d=\"" + std::string(kDeviceNs) +
                     "\" xmlns:s=\"" + schema +
                     "\"><d:InterfaceToken>wlan0</d:InterfaceToken><d:NetworkInterface>"
                     "<s:Extension><s:Dot11><s:SSID>4f66666963652d3235</s:SSID><s:Mode>"
                     "Infrastructure</s:Mode><s:Alias>office</s:Alias><s:Priority>1</s:Priority>"
                     "<s:Security><s:Mode>PSK</s:Mode><s:Algorithm>CCMP</s:Algorithm><s:PSK>"
                     "<s:Passphrase>new-secret-25</s:Passphrase></s:PSK></s:Security></s:Dot11>"
                     "</s:Extension></d:NetworkInterface></d:SetNetworkInterfaces>")
                  .status,
              200);
    CameraState expected = before;
    expected.wifi.ssid = "Office-25";
    expected.wifi.alias = "office";
    expected.wifi.priority = 1;
    expected.wifi.securityMode = "PSK";
    expected.wifi.algorithm = "CCMP";
    expected.wifi.passphrase = "new-secret-25";
    EXPECT_EQ(camera_->state(), expected);

    const std::string analytics = "http://www.onvif.org/ver20/analytics/wsdl";
    ASSERT_EQ(Signed("<a:DeleteRules xmlns:a=\"" + analytics +
                     "\"><a:ConfigurationToken>VideoAnalyticsConfig_2</a:ConfigurationToken>"
                     "<a:RuleName>MyMotionDetectorRule</a:RuleName></a:DeleteRules>")
                  .status,
              200);
    expected.channels[1].motion.enabled = false;
    EXPECT_EQ(camera_->state(), expected);
    // A second deletion names a rule that is gone: refused, nothing changes.
    EXPECT_NE(Signed("<a:DeleteRules xmlns:a=\"" + analytics +
                     "\"><a:ConfigurationToken>VideoAnalyticsConfig_2</a:ConfigurationToken>"
                     "<a:RuleName>MyMotionDetectorRule</a:RuleName></a:DeleteRules>")
                  .status,
              200);
    EXPECT_EQ(camera_->state(), expected);
}

TEST_F(OnvifCameraTest, BadInputIsAnsweredWithAFault) {
    const std::string device = kDeviceNs;
    struct Case {
        const char* what;
        std::string body;
        const char* fault;
    };
    const Case cases[] = {
        {"not XML", "<x:Envelope", "ter:WellFormed"},
        {"empty", "", "ter:WellFormed"},
        {"10 MB of text", std::string(10 << 20, 'a'), "ter:WellFormed"},
        {"SOAP 1.1 envelope",
         "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body/></e:Envelope>",
         "s:VersionMismatch"},
        {"no operation", Envelope(""), "ter:WellFormed"},
        {"unknown operation", Envelope("<Reboot2 xmlns=\"" + device + "\"/>"),
         "ter:ActionNotSupported"},
        {"operation in a foreign namespace",
         Envelope("<GetNTP xmlns=\"http://example.com/not-onvif\"/>"), "ter:ActionNotSupported"},
        {"entity expansion",
         "<!DOCTYPE a [<!ENTITY b \"cc\">]>" + Envelope("<GetNTP xmlns=\"" + device + "\"/>"),
         "ter:NotAuthorized"},
    };
    for (const Case& c : cases) {
        const HttpAnswer a = camera_->handle(c.body);
        EXPECT_EQ(a.kind, HttpAnswer::kReply) << c.what;
        EXPECT_NE(a.body.find(c.fault), std::string::npos) << c.what << ": " << a.body;
    }
    // Still serving afterwards.
    EXPECT_EQ(Signed("<GetNTP xmlns=\"" + device + "\"/>").status, 200);
}

TEST_F(OnvifCameraTest, FaultWordsShapeTheAnswers) {
    OnvifFaults faults;
    std::string error;
    for (const char* word : {"unsupported=imaging", "fail-op=GetNTP", "no-osd"}) {
        ASSERT_TRUE(ApplyFaultWord(word, faults, error)) << error;
    }
    EXPECT_FALSE(ApplyFaultWord("unsupported=ptz", faults, error));
    camera_->setFaults(faults);
    EXPECT_NE(Signed("<GetOptions xmlns=\"" + std::string(kImagingNs) +
                     "\"><VideoSourceToken>VideoSource_1</VideoSourceToken></GetOptions>")
                  .body.find("ter:ActionNotSupported"),
              std::string::npos);
    EXPECT_NE(Signed("<GetNTP xmlns=\"" + std::string(kDeviceNs) + "\"/>").body.find("ter:Action<"),
              std::string::npos);
    EXPECT_NE(Signed("<GetOSDs xmlns=\"" + std::string(kMediaNs) + "\"/>")
                  .body.find("摄像机没有屏幕字符叠加（OSD）"),
              std::string::npos);
}

TEST(OnvifDiscovery, AnswersProbesForItsTypesOnly) {
    const std::vector<DiscoveryTarget> targets{
        {"D1", "http://127.0.0.1:81/onvif/device_service", ""}};
    const auto probe = [](const std::string& types) {
        return "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\" "
               "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
               "xmlns:q=\"http://www.onvif.org/ver10/device/wsdl\"><e:Body><d:Probe><d:Types>" +
               types + "</d:Types></d:Probe></e:Body></e:Envelope>";
    };
    const std::vector<std::string> answers = AnswerProbe(probe("q:Device"), targets);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_NE(answers[0].find("http://127.0.0.1:81/onvif/device_service"), std::string::npos);
    EXPECT_NE(answers[0].find(EndpointUuid("D1")), std::string::npos);
    EXPECT_TRUE(AnswerProbe(probe("Device"), targets).empty()) << "no namespace: another type";
    EXPECT_TRUE(AnswerProbe("<not-xml", targets).empty());
}

}  // namespace
}  // namespace orvex::lab::onvif
