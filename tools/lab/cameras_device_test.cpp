// One lab camera answering protocol requests directly (no sockets): logins, reads, sets that
// change exactly their block in memory and on disk, and each fault.
#include "tools/lab/cameras_device.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "platform/rprov/rprov_auth.h"
#include "tools/lab/cameras_model.h"

namespace orvex::lab {
namespace {

using namespace rprov;

class LabCameraTest : public ::testing::Test {
  protected:
    LabCameraTest()
        : root_(::testing::TempDir() + "lab_camera_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()),
          folder_(root_, false) {
        std::filesystem::remove_all(root_);
    }
    ~LabCameraTest() override { std::filesystem::remove_all(root_); }

    std::unique_ptr<LabCamera> Open(CameraFaults faults = {}) {
        CameraSetup setup;
        setup.serial = "OX42";
        setup.password = "pass-word";
        setup.channels = {1, 2};
        setup.wifiNetworks = 30;
        setup.faults = faults;
        auto camera = std::make_unique<LabCamera>(setup, folder_);
        std::string error;
        EXPECT_TRUE(camera->open(error)) << error;
        return camera;
    }

    // Sends one request and decodes the reply frame.
    ReplyBody Ask(LabCamera& camera, CameraSession& session, uint16_t op, std::vector<uint8_t> body,
                  CameraOutcome* outcome = nullptr) {
        FrameHeader header{FRAME_REQUEST, op, ++id_, static_cast<uint32_t>(body.size())};
        last_ = camera.handle(session, header, body);
        if (outcome != nullptr) {
            *outcome = last_;
        }
        if (last_.kind != CameraOutcome::kReply) {
            return {};
        }
        std::optional<FrameHeader> h = DecodeHeader(last_.frame, nullptr);
        EXPECT_TRUE(h && h->kind == FRAME_REPLY && h->op == op && h->requestId == id_);
        std::optional<ReplyBody> reply =
            DecodeReplyBody(std::span(last_.frame).subspan(kHeaderSize));
        EXPECT_TRUE(reply);
        return reply.value_or(ReplyBody{});
    }

    ReplyBody LogIn(LabCamera& camera, CameraSession& session, const std::string& password) {
        const std::vector<uint8_t> clientNonce = MakeNonce();
        ReplyBody hello = Ask(camera, session, OP_HELLO, clientNonce);
        EXPECT_EQ(hello.status, STATUS_OK);
        const std::vector<uint8_t> cameraNonce(hello.payload.begin(), hello.payload.end());
        LoginRequest request{false, ClientProof(password, cameraNonce, clientNonce, false)};
        return Ask(camera, session, OP_LOGIN, EncodeLoginRequest(request));
    }

    std::vector<uint8_t> FileBytes(int32_t channel) {
        std::ifstream in(folder_.pathOf("OX42", channel), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    std::string root_;
    CameraStateFolder folder_;
    uint32_t id_ = 0;
    CameraOutcome last_;
};

TEST_F(LabCameraTest, LogsInOnlyWithTheRightProofAndServesOnlyThen) {
    auto camera = Open();
    CameraSession session;
    auto status = [&](uint16_t op, std::vector<uint8_t> body = {}) {
        return Ask(*camera, session, op, std::move(body)).status;
    };
    EXPECT_EQ(status(OP_GET_WIFI), STATUS_NOT_LOGGED_IN);
    // A login without a hello first is a malformed request.
    LoginRequest request{false, std::vector<uint8_t>(kProofSize, 0)};
    EXPECT_EQ(status(OP_LOGIN, EncodeLoginRequest(request)), STATUS_BAD_REQUEST);
    EXPECT_EQ(LogIn(*camera, session, "pass-wordX").status, STATUS_AUTH_FAILED);
    ReplyBody ok = LogIn(*camera, session, "pass-word");
    ASSERT_EQ(ok.status, STATUS_OK) << ok.message;
    EXPECT_EQ(DecodeLoginReply(ok.payload)->channelCount, 2u);
    EXPECT_EQ(camera->counters().failedLogins, 1);
    // What is served is checked end to end by the device operation tests; here the refusals.
    EXPECT_EQ(status(OP_GET_CONFIG, *EncodeChannelRequest({2, "OX42"})), STATUS_OK);
    EXPECT_EQ(status(OP_GET_CONFIG, *EncodeChannelRequest({3, "OX42"})), STATUS_NO_CHANNEL);
    ReplyBody wrong = Ask(*camera, session, OP_GET_CONFIG, *EncodeChannelRequest({1, "OX43"}));
    EXPECT_EQ(wrong.status, STATUS_WRONG_SERIAL);
    EXPECT_EQ(wrong.message, "本设备是 OX42，不是 OX43");
    EXPECT_EQ(status(99), STATUS_UNKNOWN_OP);
    EXPECT_EQ(status(OP_LOGOUT), STATUS_OK);
    EXPECT_EQ(status(OP_GET_WIFI), STATUS_NOT_LOGGED_IN);
}

// Sets the protocol cannot carry are refused and change nothing (values outside the ranges are
// the validation's tests); an accepted one replaces exactly its block and names what it did.
// The stored bytes are compared by the device operation tests, restarts by the role's.
TEST_F(LabCameraTest, SetsAreCheckedAndAnAcceptedOneChangesOnlyItsBlock) {
    auto camera = Open();
    CameraSession session;
    ASSERT_EQ(LogIn(*camera, session, "pass-word").status, STATUS_OK);
    DeviceConfig wanted = *camera->record(1);
    wanted.setBrightness(11);
    wanted.setHue(44);
    auto colour = wanted.block(CFG_ITEM_COLOR);
    std::vector<uint8_t> malformed = EncodeSetConfigRequest(CFG_ITEM_COLOR, 1, colour);
    malformed.pop_back();
    const std::tuple<std::vector<uint8_t>, uint16_t, std::string> refusals[] = {
        {EncodeSetConfigRequest(12, 1, colour), STATUS_BAD_ITEM, "12"},
        {EncodeSetConfigRequest(CFG_ITEM_COLOR, 7, colour), STATUS_NO_CHANNEL, "7"},
        {EncodeSetConfigRequest(CFG_ITEM_COLOR, 1, colour.first(15)), STATUS_BAD_SIZE,
         "配置项 8 应为 16 字节，不是 15"},
        {malformed, STATUS_BAD_REQUEST, ""},
    };
    for (const auto& [request, status, message] : refusals) {
        ReplyBody reply = Ask(*camera, session, OP_SET_CONFIG, request);
        EXPECT_EQ(reply.status, status) << reply.message;
        EXPECT_NE(reply.message.find(message), std::string::npos) << reply.message;
    }
    EXPECT_EQ(*camera->record(1), *MakeDeviceConfig("OX42", 1));
    EXPECT_EQ(camera->counters().setsRefused, 3);

    ReplyBody set =
        Ask(*camera, session, OP_SET_CONFIG, EncodeSetConfigRequest(CFG_ITEM_COLOR, 1, colour));
    EXPECT_EQ(set.message, "图像颜色已应用到通道 1");
    EXPECT_EQ(*camera->record(1), wanted);
    EXPECT_EQ(*camera->record(2), *MakeDeviceConfig("OX42", 2));

    // A failing item is named, and a delay travels with every answer.
    CameraFaults faults;
    faults.failItem = CFG_ITEM_COLOR;
    faults.delayMs = 25;
    camera->setFaults(faults);
    ReplyBody failed =
        Ask(*camera, session, OP_SET_CONFIG, EncodeSetConfigRequest(CFG_ITEM_COLOR, 1, colour));
    EXPECT_EQ(failed.status, STATUS_ITEM_FAILED);
    EXPECT_EQ(failed.message, "设备无法应用图像颜色");
    EXPECT_EQ(last_.delayMs, 25);
}

// A forgetful camera checks and answers a set like any other but keeps the old bytes, in memory
// and on disk; its other items, and the item once the fault is cleared, are kept as usual.
TEST_F(LabCameraTest, AForgottenItemIsAnsweredAsAppliedButReadsBackUnchanged) {
    CameraFaults faults;
    faults.forgetItem = CFG_ITEM_COLOR;
    auto camera = Open(faults);
    CameraSession session;
    ASSERT_EQ(LogIn(*camera, session, "pass-word").status, STATUS_OK);
    const DeviceConfig before = *camera->record(1);
    const std::vector<uint8_t> stored = FileBytes(1);
    auto setColour = [&](int32_t brightness) {
        DeviceConfig wanted = before;
        wanted.setBrightness(brightness);
        return Ask(*camera, session, OP_SET_CONFIG,
                   EncodeSetConfigRequest(CFG_ITEM_COLOR, 1, wanted.block(CFG_ITEM_COLOR)));
    };
    auto readBack = [&] {
        ReplyBody read = Ask(*camera, session, OP_GET_CONFIG, *EncodeChannelRequest({1, "OX42"}));
        EXPECT_EQ(read.status, STATUS_OK);
        return std::vector<uint8_t>(read.payload.begin(), read.payload.end());
    };

    ReplyBody set = setColour(11);
    EXPECT_EQ(set.status, STATUS_OK);
    EXPECT_EQ(set.message, "图像颜色已应用到通道 1");
    EXPECT_EQ(readBack(), std::vector<uint8_t>(before.data(), before.data() + before.size()));
    EXPECT_EQ(FileBytes(1), stored);
    // Values out of range are still refused: only what would have been applied is forgotten.
    EXPECT_EQ(setColour(-1).status, STATUS_OUT_OF_RANGE);
    EXPECT_EQ(camera->counters().setsAccepted, 1);
    EXPECT_EQ(camera->counters().setsRefused, 1);

    DeviceConfig other = before;
    other.setLogoShown(before.logoShown() == 0 ? 1 : 0);
    ASSERT_EQ(Ask(*camera, session, OP_SET_CONFIG,
                  EncodeSetConfigRequest(CFG_ITEM_LOGO, 1, other.block(CFG_ITEM_LOGO)))
                  .status,
              STATUS_OK);
    EXPECT_EQ(*camera->record(1), other);

    camera->setFaults({});
    ASSERT_EQ(setColour(11).status, STATUS_OK);
    EXPECT_EQ(camera->record(1)->brightness(), 11);
    EXPECT_EQ(FileBytes(1), readBack());
}

TEST_F(LabCameraTest, StateFilesOfKilledRunsAreHealed) {
    std::string error;
    ASSERT_TRUE(folder_.prepare("OX42", error));
    // A temporary file a killed run left, and a record cut short by hand.
    std::ofstream(folder_.pathOf("OX42", 1) + ".tmp-1-0") << "partial";
    std::ofstream(folder_.pathOf("OX42", 2)) << "short";
    auto camera = Open();
    EXPECT_EQ(*camera->record(2), *MakeDeviceConfig("OX42", 2));
    EXPECT_EQ(FileBytes(2).size(), DeviceConfig::kSize);
    for (const auto& entry : std::filesystem::directory_iterator(root_ + "/OX42")) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
    }
}

}  // namespace
}  // namespace orvex::lab
