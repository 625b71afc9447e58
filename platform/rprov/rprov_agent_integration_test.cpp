// The device library against scripted loopback cameras: logins, records, and every way a camera
// can misbehave, each ending in false within the library's limits. Ranges are read from lab
// cameras by the login operation tests.
#include "platform/rprov/rprov_agent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/rprov/testing/scripted_camera.h"

namespace orvex::rprov {
namespace {

using testing::Action;
using testing::Answer;
using testing::Connection;
using testing::ScriptedCamera;

constexpr char kPassword[] = "s3cret-Pass";

class AgentTest : public ::testing::Test {
  protected:
    // Short limits keep the time-out cases fast.
    void SetUp() override { RPROV_SetLimits(500, 400); }
    void TearDown() override { RPROV_SetLimits(0, 0); }

    static bool Login(const ScriptedCamera& camera, int32_t& handle,
                      const std::string& password = kPassword) {
        LoginDeviceInfo info;
        return RPROV_Login_Dev("127.0.0.1", camera.port(), password, handle, info, false);
    }
};

Action Record(const FrameHeader& h, const DeviceConfig& config) {
    return Answer(h, STATUS_OK, "", {config.data(), config.size()});
}

// `a` cut to its first `keep` bytes (half of them when 0), then the connection closed.
Action Cut(Action a, size_t keep = 0) {
    a.bytes.resize(keep ? keep : a.bytes.size() / 2);
    a.close = true;
    return a;
}

const auto Quiet = [](Connection&, const FrameHeader&, auto) { return Action{{}, false, true}; };
const auto Ok = [](Connection&, const FrameHeader& h, auto) { return Answer(h, STATUS_OK, ""); };

// A correct camera whose other operations are answered by `rest`.
ScriptedCamera::Script CameraWith(
    std::function<Action(Connection&, const FrameHeader&, std::span<const uint8_t>)> rest) {
    return [rest](Connection& c, const FrameHeader& h, std::span<const uint8_t> body) {
        if (h.op == OP_HELLO || h.op == OP_LOGIN) {
            return ScriptedCamera::CorrectLogin(kPassword, c, h, body);
        }
        return rest(c, h, body);
    };
}

DeviceConfig PatternedConfig() {
    DeviceConfig config;
    std::ranges::generate(config.data(), config.data() + config.size(),
                          [i = 0]() mutable { return static_cast<uint8_t>(i++ * 7 + 3); });
    return config;
}

TEST_F(AgentTest, LogsInWithoutSendingThePasswordAndReadsRecords) {
    const DeviceConfig stored = PatternedConfig();
    WifiScanList wifi;
    wifi.setCount(25);
    wifi.setNetworkName(0, "office");
    ScriptedCamera camera(CameraWith([&](Connection&, const FrameHeader& h, auto body) {
        if (h.op == OP_GET_CONFIG) {
            std::optional<ChannelRequest> r = DecodeChannelRequest(body);
            if (!r || r->serial != "SCRIPTED" || r->channelNo != 2) {
                return Answer(h, STATUS_NO_CHANNEL, "no such channel");
            }
            return Record(h, stored);
        }
        if (h.op == OP_GET_WIFI) {
            return Answer(h, STATUS_OK, "3 networks", {wifi.data(), wifi.size()});
        }
        return Answer(h, STATUS_OK, "bye");
    }));

    int32_t handle = -1;
    LoginDeviceInfo info;
    info.setDeviceName("stale");
    ASSERT_TRUE(RPROV_Login_Dev("127.0.0.1", camera.port(), kPassword, handle, info, true));
    EXPECT_GE(handle, 1);
    EXPECT_EQ(info.deviceName(), "scripted camera");

    DeviceConfig config;
    EXPECT_FALSE(RPROV_GetConfig(handle, "SCRIPTED", 1, config));
    EXPECT_EQ(config, DeviceConfig()) << "a refused read leaves the record alone";
    ASSERT_TRUE(RPROV_GetConfig(handle, "SCRIPTED", 2, config));
    EXPECT_EQ(config, stored);

    WifiScanList list;
    std::string text;
    ASSERT_TRUE(RPROV_GetWifi(handle, text, list));
    EXPECT_EQ(list.count(), 25) << "the library hands the camera's count over unchanged";
    EXPECT_EQ(list.networkName(0), "office");

    EXPECT_TRUE(RPROV_Logout_Dev(handle));
    EXPECT_FALSE(RPROV_Logout_Dev(handle));
    EXPECT_FALSE(RPROV_GetConfig(handle, "SCRIPTED", 2, config));

    const std::vector<uint8_t> wire = camera.received();
    EXPECT_TRUE(std::ranges::search(wire, std::string_view(kPassword)).empty())
        << "the password crossed the wire";
}

// A wrong password, a refused login, and a camera that says OK to any proof but cannot
// compute its own: false, and the handle is left alone.
TEST_F(AgentTest, LoginsThatMustFail) {
    ScriptedCamera correct(CameraWith(Ok));
    ScriptedCamera refusing([](Connection&, const FrameHeader& h, auto) {
        return Answer(h, STATUS_LOGIN_REFUSED, "too many logins");
    });
    ScriptedCamera impostor([](Connection&, const FrameHeader& h, auto) {
        if (h.op == OP_HELLO) {
            return Answer(h, STATUS_OK, "", std::vector<uint8_t>(kNonceSize, 1));
        }
        LoginReply reply{std::vector<uint8_t>(kProofSize, 0), "fake", "FAKE", 1};
        return Answer(h, STATUS_OK, "", EncodeLoginReply(reply));
    });
    int32_t handle = -1;
    EXPECT_FALSE(Login(correct, handle, "not-it"));
    EXPECT_FALSE(Login(refusing, handle));
    EXPECT_FALSE(Login(impostor, handle));
    EXPECT_EQ(handle, -1);
}

TEST_F(AgentTest, UnreachableAddressesFailWithinTheConnectLimit) {
    int32_t handle = -1;
    LoginDeviceInfo info;
    // A port nobody listens on: refused at once.
    net::Socket probe = net::ListenTcp("127.0.0.1", 0);
    const int32_t freePort = net::LocalPort(probe);
    probe.close();
    EXPECT_FALSE(RPROV_Login_Dev("127.0.0.1", freePort, kPassword, handle, info, false));
    EXPECT_FALSE(RPROV_Login_Dev("localhost", 8000, kPassword, handle, info, false));
    EXPECT_FALSE(RPROV_Login_Dev("127.0.0.1", 0, kPassword, handle, info, false));
    EXPECT_FALSE(RPROV_Login_Dev("127.0.0.1", 70000, kPassword, handle, info, false));
    EXPECT_EQ(handle, -1);
}

TEST_F(AgentTest, ASilentCameraTimesOutAtLoginAndMidSession) {
    ScriptedCamera silent(Quiet);
    int32_t handle = -1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Login(silent, handle));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3))
        << "bounded by the request limit";

    // Logged in, then silent: the read gives false, and so does everything after it on that
    // handle, at once.
    ScriptedCamera goesQuiet(CameraWith(Quiet));
    ASSERT_TRUE(Login(goesQuiet, handle));
    DeviceConfig config;
    EXPECT_FALSE(RPROV_GetConfig(handle, "SCRIPTED", 0, config));
    std::string message;
    const auto again = std::chrono::steady_clock::now();
    EXPECT_FALSE(RPROV_SetConfig_To_Dev(handle, CFG_ITEM_COLOR, 0,
                                        config.block(CFG_ITEM_COLOR).data(), message));
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::milliseconds(200));
    EXPECT_EQ(message, "未连接到设备");
    EXPECT_TRUE(RPROV_Logout_Dev(handle));
}

TEST_F(AgentTest, GarbageWrongSizesAndCutFramesGiveFalseAndOtherHandlesCarryOn) {
    const DeviceConfig stored = PatternedConfig();
    std::vector<uint8_t> longer(stored.data(), stored.data() + stored.size());
    longer.push_back(0);
    const std::vector<uint8_t> shorter(longer.begin(), longer.end() - 2);
    // Each bad answer to a configuration read.
    const std::vector<std::pair<const char*, std::function<Action(const FrameHeader&)>>> answers = {
        {"garbage", [](auto&) { return Action{std::vector<uint8_t>(64, 'G')}; }},
        {"short record", [&](auto& h) { return Answer(h, STATUS_OK, "", shorter); }},
        {"long record", [&](auto& h) { return Answer(h, STATUS_OK, "", longer); }},
        {"closed mid-header", [](auto& h) { return Cut(Answer(h, STATUS_OK, ""), 7); }},
        {"closed mid-body", [&](auto& h) { return Cut(Record(h, stored)); }},
        {"closed without answer", [](auto&) { return Cut(Action{}); }},
        {"wrong request id",
         [&](FrameHeader h) {
             ++h.requestId;
             return Record(h, stored);
         }},
        {"announces 4 GiB",
         [](auto& h) {
             std::vector<uint8_t> head = EncodeHeader({FRAME_REPLY, h.op, h.requestId, 0});
             head[12] = head[13] = head[14] = head[15] = 0xFF;
             return Action{head};
         }},
        {"a request frame instead of a reply",
         [&](auto& h) {
             return Action{EncodeFrame(FRAME_REQUEST, h.op, h.requestId,
                                       EncodeReplyBody(STATUS_OK, "", {stored.data(), 8}))};
         }},
    };
    ScriptedCamera good(
        CameraWith([&](Connection&, const FrameHeader& h, auto) { return Record(h, stored); }));
    for (const auto& [name, make] : answers) {
        SCOPED_TRACE(name);
        ScriptedCamera camera(
            CameraWith([&](Connection&, const FrameHeader& h, auto) { return make(h); }));
        int32_t goodHandle = -1, badHandle = -1;
        ASSERT_TRUE(Login(good, goodHandle) && Login(camera, badHandle));
        DeviceConfig config;
        EXPECT_FALSE(RPROV_GetConfig(badHandle, "S", 0, config));
        EXPECT_EQ(config, DeviceConfig());
        ASSERT_TRUE(RPROV_GetConfig(goodHandle, "S", 0, config));
        EXPECT_EQ(config, stored);
        RPROV_Logout_Dev(badHandle);
        RPROV_Logout_Dev(goodHandle);
    }
}

TEST_F(AgentTest, SetConfigNeedsAnItemCodeAndCarriesTheExactBlock) {
    std::vector<uint8_t> seen;
    ScriptedCamera camera(CameraWith([&](Connection&, const FrameHeader& h, auto body) {
        if (std::optional<SetConfigRequest> r = DecodeSetConfigRequest(body)) {
            seen.assign(r->block.begin(), r->block.end());
        }
        return Answer(h, STATUS_OUT_OF_RANGE, "brightness 300 outside 0..100");
    }));
    int32_t handle = -1;
    ASSERT_TRUE(Login(camera, handle));
    DeviceConfig config = PatternedConfig();
    std::string message = "previous";
    EXPECT_FALSE(RPROV_SetConfig_To_Dev(handle, 12, 0, config.data(), message));
    EXPECT_EQ(message, "无效的配置项");
    EXPECT_FALSE(RPROV_SetConfig_To_Dev(handle, CFG_ITEM_TIME, 0, nullptr, message));
    EXPECT_TRUE(seen.empty()) << "nothing is sent for a bad item";

    EXPECT_FALSE(RPROV_SetConfig_To_Dev(handle, CFG_ITEM_WIFI, 0,
                                        config.block(CFG_ITEM_WIFI).data(), message));
    EXPECT_EQ(message, "brightness 300 outside 0..100");
    EXPECT_EQ(seen, std::vector<uint8_t>(config.block(CFG_ITEM_WIFI).begin(),
                                         config.block(CFG_ITEM_WIFI).end()));
    RPROV_Logout_Dev(handle);
}

TEST_F(AgentTest, ManyHandlesFromSeveralThreadsAtOnce) {
    const DeviceConfig stored = PatternedConfig();
    ScriptedCamera camera(CameraWith([&](Connection&, const FrameHeader& h, auto) {
        return h.op == OP_GET_CONFIG ? Record(h, stored) : Answer(h, STATUS_OK, "");
    }));
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10; ++i) {
                int32_t handle = -1;
                auto config = std::make_unique<DeviceConfig>();
                if (!Login(camera, handle) || !RPROV_GetConfig(handle, "S", 0, *config) ||
                    *config != stored) {
                    ++failures;
                }
                RPROV_Logout_Dev(handle);
            }
        });
    }
    std::ranges::for_each(threads, &std::thread::join);
    EXPECT_EQ(failures, 0);
}

TEST_F(AgentTest, TheSmallestFreeHandleIsGivenOut) {
    ScriptedCamera camera(CameraWith(Ok));
    int32_t a = -1, b = -1, c = -1;
    ASSERT_TRUE(Login(camera, a) && Login(camera, b));
    EXPECT_NE(a, b);
    RPROV_Logout_Dev(a);
    ASSERT_TRUE(Login(camera, c));
    EXPECT_EQ(c, a);
    RPROV_Logout_Dev(b);
    RPROV_Logout_Dev(c);
}

}  // namespace
}  // namespace orvex::rprov
