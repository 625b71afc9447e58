// The store's logins against lab cameras over loopback: the configuration fetch and its caches,
// the Wi-Fi list, the password check with its group-list update, and the page answers that
// reach cameras.
#include <gtest/gtest.h>

#include "app/page_answers.h"
#include "app/push_to_h5.h"
#include "app/wifi_answer.h"
#include "devcfg/config_range_json.h"
#include "devcfg/device_config_json.h"
#include "studio/data_manager.h"
#include "support/json_text.h"
#include "tests/devices/lab_cameras.h"
#include "tools/lab/cameras_model.h"

namespace orvex {
namespace {

using testing::LabCamera;
using testing::LabCameras;
using testing::Parse;

class RecordingRunner : public ScriptRunner {
  public:
    void RunScript(const std::string& script) override { scripts.push_back(script); }
    std::vector<std::string> scripts;
};

class LoginOperationsTest : public ::testing::Test {
  protected:
    LoginOperationsTest() { store.resetForTesting(); }
    ~LoginOperationsTest() override { store.resetForTesting(); }

    // The three cache entries of a key, as they stand.
    struct Cached {
        bool config, range, device;
        std::string configText, rangeText;
        DeviceConfig record;
        bool any() const { return config || range || device; }
    };
    Cached Caches(const std::string& key) {
        Cached c{};
        c.config = store.cachedConfig(key, c.configText);
        c.range = store.cachedRange(key, c.rangeText);
        c.device = store.cachedDeviceConfig(key, c.record);
        return c;
    }

    testing::ShortDeviceLimits limits;
    DataManager& store = DataManager::instance();
};

TEST_F(LoginOperationsTest, AFetchConvertsWhatTheCameraHoldsAndFillsTheThreeCaches) {
    LabCameras lab({LabCamera("FX1", "pw", {1, 2})});
    const CameraRecord camera = lab.record("FX1", 2);
    std::string text = "untouched";
    Json::Value json(Json::objectValue);
    store.getConfigInfoByDevSerial(camera, text, json);

    const std::unique_ptr<DeviceConfig> stored = lab.stored("FX1", 2);
    Json::Value expected(Json::objectValue);
    const std::string expectedText = DeviceConfigToPageJson(*stored, expected);
    EXPECT_EQ(text, expectedText);
    EXPECT_EQ(json["configItems"], expected["configItems"]);

    Cached c = Caches("FX1_2");
    ASSERT_TRUE(c.config && c.range && c.device);
    EXPECT_EQ(c.configText, expectedText);
    EXPECT_EQ(c.record, *stored);
    EXPECT_EQ(c.rangeText, ConfigRangeToPageJson(lab::MakeConfigRange("FX1", 2)));
    EXPECT_EQ(Parse(c.rangeText)["serial"].asString(), "FX1");
    EXPECT_FALSE(store.cachedDeviceConfig("FX1_1", c.record)) << "only the channel read";
    lab::CameraCounters counters = lab.camera("FX1").counters();
    EXPECT_EQ(counters.logins, 1);
    EXPECT_EQ(counters.logouts, 1);
}

TEST_F(LoginOperationsTest, AFailedLoginOrReadLeavesEveryCacheAndOutputAlone) {
    LabCameras lab({LabCamera("FX2"), LabCamera("FX3"), LabCamera("FX4")});
    CameraRecord wrong = lab.record("FX2");
    wrong.passwd = "not the password";
    std::string text = "untouched";
    Json::Value json(Json::objectValue);
    json["subSerial"] = "FX2";
    store.getConfigInfoByDevSerial(wrong, text, json);
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(json.getMemberNames(), std::vector<std::string>{"subSerial"});
    EXPECT_EQ(lab.camera("FX2").counters().logins, 0);
    EXPECT_FALSE(Caches("FX2_1").any());

    // Logged in, but a read fails: no cache is written, and the login is closed.
    for (const auto& [serial, read] : {std::pair{"FX3", "range"}, std::pair{"FX4", "config"}}) {
        SCOPED_TRACE(serial);
        lab.setFaults(serial, {.failRead = read});
        store.getConfigInfoByDevSerial(lab.record(serial), text, json);
        EXPECT_FALSE(Caches(std::string(serial) + "_1").any());
        EXPECT_EQ(text, "untouched");
        EXPECT_FALSE(json.isMember("configItems"));
        EXPECT_EQ(lab.camera(serial).counters().logouts, 1);
    }
}

TEST_F(LoginOperationsTest, TheStoresCameraQuestionsReachCameras) {
    // The configuration request's answer is checked with every issued section.
    LabCameras lab({LabCamera("FX7", "pw", {1, 2})});
    // The range request: an unreachable camera answers empty, and keeps answering empty until
    // a successful fetch stores its ranges.
    CameraRecord away = lab.record("FX7", 2);
    away.port = testing::RefusingPort();
    const std::string awayRequest = WriteJson(WriteCameraObject(away));
    EXPECT_EQ(store.getCameraCfgRangeInfo(awayRequest), "");
    EXPECT_EQ(store.getCameraCfgRangeInfo(lab.request("FX7", 2)), "") << "the empty entry stays";
    store.getCameraCfgInfo(lab.request("FX7", 2));
    EXPECT_EQ(store.getCameraCfgRangeInfo(awayRequest),
              ConfigRangeToPageJson(lab::MakeConfigRange("FX7", 2)));
}

// A studio camera message for a slow camera does not hold up the studio link: the group message
// behind it is stored while that camera's fetch is still under way.
TEST_F(LoginOperationsTest, ASlowCameraDoesNotStallTheStudioLink) {
    lab::CameraSetup slow = LabCamera("SC1");
    slow.faults.delayMs = 300;  // each answer
    LabCameras lab({slow});
    store.onStudioMessage(2, lab.request("SC1"));
    store.onStudioMessage(1, R"({"groupInfo":[{"groupName":"G","groupId":"g","groupDevNum":1,
        "cameraLst":[{"serial":"SC1","channelNo":1}]}]})");
    EXPECT_EQ(store.groups()->size(), 1u);
    DeviceConfig record;
    EXPECT_FALSE(store.cachedDeviceConfig("SC1_1", record))
        << "the camera's fetch had already ended: it ran on the studio's thread";
    store.waitForCameraFetch();
    EXPECT_TRUE(store.cachedDeviceConfig("SC1_1", record));
    EXPECT_EQ(record, *lab.stored("SC1"));
}

TEST_F(LoginOperationsTest, TheWifiListHoldsAtMostTwentyNetworksInOrder) {
    lab::CameraSetup many = LabCamera("WF1");
    many.wifiNetworks = 30;
    lab::CameraSetup few = LabCamera("WF2");
    few.wifiNetworks = 3;
    LabCameras lab({many, few});

    // The first twenty names in order, written at the writer's default settings (not flattened).
    Json::Value list(Json::arrayValue);
    for (int i = 0; i < 20; ++i) {
        list.append(Json::Value(Json::objectValue))["ssid"] = lab::WifiNetworkName("WF1", i);
    }
    std::string out = "untouched";
    store.getWifiInfoByDevSerial(lab.request("WF1"), out);
    EXPECT_EQ(out, WriteJson(list));
    EXPECT_EQ(store.lastWifiList().count(), 20);
    EXPECT_EQ(store.lastWifiList().networkName(19), lab::WifiNetworkName("WF1", 19));

    store.getWifiInfoByDevSerial(lab.request("WF2"), out);
    EXPECT_EQ(Parse(out).size(), 3u);
    EXPECT_EQ(store.lastWifiList().count(), 3);

    // Requests that cannot be read, cameras that cannot be reached or read: nothing changes.
    out = "untouched";
    store.getWifiInfoByDevSerial("{not json", out);
    store.getWifiInfoByDevSerial(R"({"serial":"WF1","port":"8000"})", out);
    CameraRecord away = lab.record("WF1");
    away.port = testing::RefusingPort();
    store.getWifiInfoByDevSerial(WriteJson(WriteCameraObject(away)), out);
    lab.setFaults("WF1", {.failRead = "wifi"});
    store.getWifiInfoByDevSerial(lab.request("WF1"), out);
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(store.lastWifiList().count(), 3);
    EXPECT_EQ(lab.camera("WF1").counters().logouts, lab.camera("WF1").counters().logins);

    // The page's answer: code '9' with the flattened list.
    RecordingRunner runner;
    sendToH5WifiListInfo(&runner, lab.request("WF2"));
    ASSERT_EQ(runner.scripts.size(), 1u);
    std::string expected;
    store.getWifiInfoByDevSerial(lab.request("WF2"), expected);
    EXPECT_EQ(runner.scripts[0], BuildPushScript(9, expected));
}

// A studio group message with the camera PW1 channel 1 in two groups, both still waiting for
// their password, and channel 2 already confirmed.
std::string Groups(const LabCameras& lab) {
    Json::Value message = Parse(R"({"groupInfo":[{"groupName":"Yard","groupId":"g-yard"},
                                                 {"groupName":"Yard","groupId":"g-all"}]})");
    for (Json::Value& group : message["groupInfo"]) {
        for (const auto& [channel, check] : {std::pair{2, false}, std::pair{1, true}}) {
            Json::Value& c =
                group["cameraLst"].append(WriteCameraObject(lab.record("PW1", channel)));
            c["passwd"] = "old";
            c["CheckPassword"] = check;
        }
    }
    return WriteJson(message);
}

// Password and check flag of every camera, in the group list and in the page group info.
std::string States(DataManager& store) {
    std::string out;
    for (const auto& group : *store.groups()) {
        for (const CameraRecord& c : group->cameras) {
            out += c.passwd + (c.CheckPassword ? "?" : "") + " ";
        }
    }
    out += "| ";
    Json::Value page = Parse(store.getGroupInfo());
    for (const Json::Value& group : page["groupInfo"]) {
        for (const Json::Value& c : group["cameraLst"]) {
            out += c["passwd"].asString() + (c["CheckPassword"].asBool() ? "?" : "") + " ";
        }
    }
    return out;
}

TEST_F(LoginOperationsTest, OnlyAPassedCheckConfirmsAndOnlyTheFirstWaitingCamera) {
    LabCameras lab({LabCamera("PW1", "right", {1, 2})});
    store.onGroupInfoMessage(Groups(lab));
    const std::string pageBefore = store.getGroupInfo();
    const DataManager::GroupSnapshot before = store.groups();
    ASSERT_EQ(States(store), "old old? old old? | old old? old old? ");
    CameraRecord camera;
    bool passed = false;

    // Requests that cannot be read answer empty without a login.
    EXPECT_EQ(store.CheckDevPassword("not json", camera, passed), "");
    EXPECT_FALSE(passed);
    const std::string textPort = R"({"serial":"PW1","port":"8000"})";
    EXPECT_EQ(store.CheckDevPassword(textPort, camera, passed), "");
    EXPECT_EQ(lab.camera("PW1").counters().logins, 0);

    // A wrong password fails; channel 2 passes but was confirmed already. Neither changes the
    // list, which is not even replaced.
    CameraRecord wrong = lab.record("PW1", 1);
    wrong.passwd = "wrong";
    Json::Value answer =
        Parse(store.CheckDevPassword(WriteJson(WriteCameraObject(wrong)), camera, passed));
    EXPECT_EQ(WriteFlatJson(answer["result"]) + WriteFlatJson(answer["CheckPassword"]) +
                  answer["passwd"].asString() + (passed ? " passed" : ""),
              "falsetruewrong");
    answer = Parse(store.CheckDevPassword(lab.request("PW1", 2), camera, passed));
    EXPECT_TRUE(passed && answer["result"].asBool());
    EXPECT_EQ(store.getGroupInfo(), pageBefore);
    EXPECT_EQ(store.groups(), before);

    const std::string request = lab.request("PW1", 1);  // carries the password "right"
    const std::string text = store.CheckDevPassword(request, camera, passed);
    EXPECT_TRUE(passed && camera.passwd == "right") << camera.passwd;
    EXPECT_EQ(text, R"({"CheckPassword" : false,"channelNo" : 1,"devType" : "IPC",)"
                    R"("devip" : "127.0.0.1","devname" : "camera PW1","encrypt" : true,)"
                    R"("iPlatform" : 0,"newDev" : false,"passwd" : "right","port" : )" +
                        std::to_string(lab.port("PW1")) + R"(,"result" : true,"serial" : "PW1"})");
    // Only the first match is updated, and another channel is not touched.
    EXPECT_EQ(States(store), "old right old old? | old right old old? ");
    // A second check finds the second group's camera.
    store.CheckDevPassword(request, camera, passed);
    EXPECT_EQ(States(store), "old right old right | old right old right ");
}

}  // namespace
}  // namespace orvex
