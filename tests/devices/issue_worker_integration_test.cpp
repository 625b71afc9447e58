// The issuing worker against lab cameras over loopback: every section changes exactly its fields
// in the camera's stored record and reads back through the program; the result list, its
// counting and its texts; and cameras that fail in every way the lab can make them fail.
#include "devcfg/issue_worker.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <tuple>
#include <type_traits>

#include "app/issue_request_runner.h"
#include "app/operate_task_types.h"
#include "app/push_to_h5.h"
#include "devcfg/config_items.h"
#include "devcfg/device_config_json.h"
#include "studio/data_manager.h"
#include "studio/testing/debug_log_recorder.h"
#include "support/json_text.h"
#include "support/text_conversion.h"
#include "tests/devices/lab_cameras.h"

namespace orvex {
namespace {

using testing::LabCamera;
using testing::LabCameras;
using testing::Parse;
using Faults = lab::CameraFaults;

// {"configItems": <items>} from a JSON text of the items.
std::string Request(const std::string& items) {
    return R"({"configItems":)" + items + "}";
}

// A camera's result items as lines "name ok|failed moreInfo" (without moreInfo unless `info`),
// and its failNum.
std::string Outcome(const Json::Value& camera, bool info = true) {
    std::string out;
    for (const Json::Value& item : camera["syncInfo"]) {
        out += item["itemName"].asString() + (item["isSuccess"].asBool() ? " ok" : " failed") +
               (info ? " " + item["moreInfo"].asString() : "") + "\n";
    }
    return out + "failNum " + std::to_string(camera["failNum"].asInt());
}

// A lab camera with one fault set to `value`.
template <typename T>
lab::CameraSetup Faulty(const std::string& serial, T Faults::*fault,
                        std::type_identity_t<T> value) {
    lab::CameraSetup setup = LabCamera(serial);
    setup.faults.*fault = std::move(value);
    return setup;
}

class IssueWorkerTest : public ::testing::Test {
  protected:
    IssueWorkerTest() { store.resetForTesting(); }
    ~IssueWorkerTest() override { store.resetForTesting(); }

    // One issue request over `targets` (camera object texts); the parsed result array.
    Json::Value Issue(const std::vector<std::string>& targets, const std::string& config) {
        store.setIssuedObject(testing::JsonList(targets));
        store.setIssuedConfig(config);
        worker.Run();
        return Parse(worker.result);
    }

    std::unique_ptr<DeviceConfig> Expected(const DeviceConfig& before,
                                           std::vector<int32_t> codes = {}) {
        return testing::AfterIssue(before, store.issuedConfig(), std::move(codes));
    }

    // The record the program holds for `key`, if any.
    std::optional<DeviceConfig> Cached(const std::string& key) {
        DeviceConfig record;
        return store.cachedDeviceConfig(key, record) ? std::optional(record) : std::nullopt;
    }

    testing::ShortDeviceLimits limits;
    DataManager& store = DataManager::instance();
    IssueWorker worker{DataManager::instance()};
};

// Issued alone (the picture block's two items together), each section leaves the camera holding
// exactly the issued fields, and the program reads them back. The Wi-Fi words and "std_h265"
// come in mixed letter case; the server address is cut to 64 bytes. (Every word of the tables
// is checked beside the conversion; an unknown codec word is refused by the lab's validation.)
TEST_F(IssueWorkerTest, EachSectionChangesExactlyItsFieldsAndReadsBack) {
    const std::string longAddress = "ntp-" + std::string(70, 'x') + ".example";
    struct Section {
        std::string items;                                     // the "configItems" JSON
        std::string outcome;                                   // the result items, see Outcome()
        std::function<std::string(const DeviceConfig&)> spot;  // a few fields as a text
        std::string spotText;
    };
    const std::vector<Section> sections = {
        {R"({"generalConfig":{"timeProofreading":{"serverAddress":")" + longAddress + R"("}}})",
         "通用配置 ok", [](const DeviceConfig& r) { return r.timeServerAddress(); },
         longAddress.substr(0, 64)},
        {R"({"generalConfig":{"timeProofreading":{"serverAddress":"pool.ntp.org"},
             "wiFiConfig":{"ssid":"first","password":"case-test-pw","verifyMethod":"Wpa2-PSK",
             "encryptType":"Aes"}}})",
         "通用配置 ok\nwifi配置 ok",
         [](const DeviceConfig& r) {
             return r.wifiSsid() + " " + std::to_string(r.wifiSecurity()) + " " +
                    std::to_string(r.wifiCipher()) + " " + r.wifiKey();
         },
         "first 4 0 case-test-pw"},
        {R"({"defenceConfig":{"motionDetectDefence":{"remindSwitch":SWITCH,"detectMode":0,
             "sensitivityLevel":SENSITIVITY,"remindVoice":3}},"imageConfig":{"imageDisplay":{
             "showOrvexLogo":LOGO,"showName":false,"showDate":true,"showWeek":true,
             "dateFormat":"dd/mm/YYYY","displayState":2,"timeFormat":5}}})",
         "布撤防计划 ok\nLogo配置 ok\n图像显示 ok",
         [](const DeviceConfig& r) {
             return std::to_string(r.alarmSound()) + " " + std::to_string(r.dateFormat());
         },
         "3 8"},
        {R"({"imageConfig":{"audioAndVideoConfig":{"videoConfig":[{"streamType":1,
             "keyFrameInterval":60,"maxFrameRate":20,"picQuality":2,"vbrUpperCap":2048,
             "videoFlowType":1,"bitrateType":"CBR","frameType":"1","videoCodecType":"std_h265",
             "videoResolution":19},{"streamType":0,"keyFrameInterval":30,"maxFrameRate":15,
             "picQuality":4,"vbrUpperCap":512,"videoFlowType":0,"bitrateType":"VBR","frameType":0,
             "videoCodecType":"STD_H264","videoResolution":2}],"audioConfig":{
             "audioCompressionType":"g711_a","inputVolume":55,"outputVolume":66,
             "audioInputMode":"LINE IN"}}}})",
         "视频配置 ok\n输入音频配置 ok\n输出音频配置 ok",
         [](const DeviceConfig& r) {
             return std::to_string(r.streamVideoEncoding(0)) + " " +
                    std::to_string(r.streamBitrateCode(0)) + " " +
                    std::to_string(r.streamAudioEncoding(1)) + " " +
                    std::to_string(r.audioInputMode());
         },
         "10 23 2 1"},
        {R"({"imageConfig":{"imageBacklight":{"wideDynamicRangeSwitch":WDR}}})", "宽动态配置 ok",
         nullptr, ""},
        {R"({"imageConfig":{"imageColor":{"brightnessLevel":71,"contrastLevel":22,
             "saturationLevel":93,"hue":14}}})",
         "图像设置 ok", [](const DeviceConfig& r) { return std::to_string(r.brightness()); }, "71"},
    };
    for (const Section& s : sections) {
        SCOPED_TRACE(s.outcome);
        LabCameras lab({LabCamera("SEC1")});
        const std::unique_ptr<DeviceConfig> before = lab.stored("SEC1");
        // Values that differ from what this camera holds, and fit its sensitivity scale.
        std::string items = s.items;
        const bool percent = before->sensitivityScale() == DeviceConfig::kPercentScale;
        items = ReplaceAll(items, "SENSITIVITY", percent ? "60" : "4");
        items = ReplaceAll(items, "SWITCH", before->motionSwitch() == 1 ? "false" : "true");
        items = ReplaceAll(items, "WDR", before->wideDynamicRange(0) ? "false" : "true");
        items = ReplaceAll(items, "LOGO", before->logoShown() == 1 ? "false" : "true");

        Json::Value result = Issue({lab.request("SEC1")}, Request(items));
        ASSERT_EQ(result.size(), 1u);
        EXPECT_EQ(Outcome(result[0], false), s.outcome + "\nfailNum 0") << Outcome(result[0]);
        EXPECT_NE(Outcome(result[0]).find("已应用到通道 1\nfailNum 0"), std::string::npos);

        const std::unique_ptr<DeviceConfig> after = lab.stored("SEC1");
        EXPECT_FALSE(*after == *before);
        EXPECT_TRUE(*after == *Expected(*before));
        if (s.spot) {
            EXPECT_EQ(s.spot(*after), s.spotText);
        }
        // The worker's re-read holds what the camera now reports, and so does the page.
        EXPECT_EQ(Cached("SEC1_1"), *after);
        Json::Value page(Json::objectValue);
        DeviceConfigToPageJson(*after, page);
        EXPECT_EQ(Parse(store.getCameraCfgInfo(lab.request("SEC1")))["configItems"],
                  page["configItems"]);
    }
}

TEST_F(IssueWorkerTest, ColourToAReachableAndAnAbsentCameraGivesTheExactResult) {
    LabCameras lab({LabCamera("CL1"), Faulty("CL2", &Faults::absent, true)});
    const int32_t hue = lab.stored("CL1")->hue();
    Issue({lab.request("CL1"), lab.request("CL2")},
          Request(R"({"imageConfig":{"imageColor":{"brightnessLevel":70}}})"));
    EXPECT_EQ(FlattenJsonText(worker.result),
              "[{\"device\" : {\"channelNo\" : 1,\"deviceName\" : \"camera CL1\",\"serial\" : "
              "\"CL1\"},\"failNum\" : 0,\"syncInfo\" : [{\"isSuccess\" : true,\"itemName\" : "
              "\"\\u56fe\\u50cf\\u8bbe\\u7f6e\",\"moreInfo\" : "
              "\"\\u56fe\\u50cf\\u989c\\u8272\\u5df2\\u5e94\\u7528\\u5230\\u901a\\u9053 "
              "1\",\"verified\" : true}]},{\"device\" : {\"channelNo\" : 1,\"deviceName\" : "
              "\"camera CL2\",\"serial\" : \"CL2\"},\"failNum\" : 1,\"syncInfo\" : [{\"cause\" : "
              "\"unreachable\",\"isSuccess\" : false,\"itemName\" : "
              "\"\\u56fe\\u50cf\\u8bbe\\u7f6e\",\"moreInfo\" : "
              "\"\\u7f51\\u7edc\\u5f02\\u5e38\"}]}]");
    EXPECT_EQ(lab.stored("CL1")->brightness(), 70);
    EXPECT_EQ(lab.stored("CL1")->hue(), hue) << "unmentioned colour values keep the camera's own";
}

TEST_F(IssueWorkerTest, NoCameraGivesNullAndMaskZeroStillVisitsEveryCamera) {
    Issue({}, Request(R"({"imageConfig":{"imageColor":{"hue":5}}})"));
    EXPECT_EQ(worker.result, "null");

    LabCameras lab({LabCamera("MZ1"), LabCamera("MZ2")});
    const std::unique_ptr<DeviceConfig> before = lab.stored("MZ1");
    Json::Value result = Issue({lab.request("MZ1"), lab.request("MZ2")}, Request("{}"));
    EXPECT_EQ(WriteFlatJson(result[0]["syncInfo"]) + WriteFlatJson(result[1]["syncInfo"]) +
                  WriteFlatJson(result[1]["failNum"]),
              "nullnull0");
    for (const char* serial : {"MZ1", "MZ2"}) {
        lab::CameraCounters c = lab.camera(serial).counters();
        // The targets' fetch, the issue's own login, and the re-read; nothing set.
        EXPECT_EQ(c.logins, 3) << serial;
        EXPECT_EQ(c.logouts, 3) << serial;
        EXPECT_EQ(c.configReads, 2) << serial;
        EXPECT_EQ(c.setsAccepted + c.setsRefused, 0) << serial;
    }
    EXPECT_EQ(*lab.stored("MZ1"), *before);
}

// Every item of a camera whose login failed fails with "网络异常": defence counts once, audio
// and video three times.
TEST_F(IssueWorkerTest, AFailedLoginFailsEveryItemOnce) {
    LabCameras lab(
        {Faulty("LF1", &Faults::refuseLogin, true), Faulty("LF2", &Faults::wrongPassword, true)});
    Json::Value result =
        Issue({lab.request("LF1"), lab.request("LF2")},
              Request(R"({"imageConfig":{"audioAndVideoConfig":{"audioConfig":{"inputVolume":5}}},
                    "defenceConfig":{"motionDetectDefence":{"remindVoice":1}}})"));
    ASSERT_EQ(result.size(), 2u);
    for (const Json::Value& camera : result) {
        EXPECT_EQ(Outcome(camera),
                  "布撤防计划 failed 网络异常\n视频配置 failed 网络异常\n输入音频配置 failed "
                  "网络异常\n输出音频配置 failed 网络异常\nfailNum 4");
    }
    EXPECT_EQ(lab.camera("LF1").counters().setsAccepted + lab.camera("LF2").counters().setsAccepted,
              0);
    // Three logins were tried: the targets' read, the issue and the re-read.
    EXPECT_EQ(lab.camera("LF2").counters().failedLogins, 3);
}

TEST_F(IssueWorkerTest, ADefenceItemReportsItsAlarmCallAndCountsBothCalls) {
    LabCameras lab({Faulty("DF1", &Faults::failItem, CFG_ITEM_MOTION)});
    const std::unique_ptr<DeviceConfig> before = lab.stored("DF1");
    Json::Value result =
        Issue({lab.request("DF1")}, Request(R"({"defenceConfig":{"motionDetectDefence":{
                 "remindSwitch":true,"detectMode":0,"sensitivityLevel":1,"remindVoice":7}}})"));
    EXPECT_EQ(Outcome(result[0]), "布撤防计划 ok 报警声音已应用到通道 1\nfailNum 1");
    EXPECT_TRUE(*lab.stored("DF1") == *Expected(*before, {CFG_ITEM_ALARM_SOUND}));

    // Both calls failing count twice: the schedule still fails, and the camera refuses the
    // alarm sound 99.
    result = Issue({lab.request("DF1")},
                   Request(R"({"defenceConfig":{"motionDetectDefence":{"remindVoice":99}}})"));
    EXPECT_EQ(Outcome(result[0]), "布撤防计划 failed 报警声音 99 超出范围 0..10\nfailNum 2");
}

TEST_F(IssueWorkerTest, ADroppedConnectionFailsTheRestAndKeepsTheCamerasOtherSettings) {
    LabCameras lab({Faulty("DR1", &Faults::dropOnItem, CFG_ITEM_AUDIO_IN)});
    const std::unique_ptr<DeviceConfig> before = lab.stored("DR1");
    const std::string av = R"({"imageConfig":{"audioAndVideoConfig":{"videoConfig":[{"streamType":0,
        "keyFrameInterval":40,"maxFrameRate":25,"picQuality":1,"vbrUpperCap":4096,"videoFlowType":0,
        "bitrateType":"VBR","frameType":0,"videoCodecType":"STD_H264","videoResolution":20},
        {"streamType":0,"keyFrameInterval":20,"maxFrameRate":10,"picQuality":1,"vbrUpperCap":256,
        "videoFlowType":0,"bitrateType":"VBR","frameType":0,"videoCodecType":"STD_H264",
        "videoResolution":1}],"audioConfig":{"audioCompressionType":"AAC","inputVolume":10,
        "outputVolume":20}},"imageColor":{"brightnessLevel":1,"contrastLevel":2,
        "saturationLevel":3,"hue":4}}})";
    Json::Value result = Issue({lab.request("DR1")}, Request(av));
    EXPECT_EQ(Outcome(result[0]),
              "视频配置 ok 码流压缩参数已应用到通道 1\n"
              "输入音频配置 failed 设备断开了连接\n"
              "输出音频配置 failed 未连接到设备\n"
              "图像设置 failed 未连接到设备\nfailNum 3");
    // Only the compression block the camera accepted changed; the colour block was never sent.
    const std::unique_ptr<DeviceConfig> after = lab.stored("DR1");
    EXPECT_TRUE(*after == *Expected(*before, {CFG_ITEM_COMPRESSION}));
    // The re-read came after the drop, on a new connection.
    EXPECT_EQ(Cached("DR1_1"), *after);
}

TEST_F(IssueWorkerTest, ACameraThatNeverAnswersFailsWithinTheLimitsAndTheNextIsIssued) {
    LabCameras lab({Faulty("SL1", &Faults::silent, true), LabCamera("SL2")});
    const auto start = std::chrono::steady_clock::now();
    Json::Value result = Issue({lab.request("SL1"), lab.request("SL2")},
                               Request(R"({"imageConfig":{"imageBacklight":{}}})"));
    // Three logins wait for the silent camera (fetch, issue, re-read), each bounded by one
    // request limit of 1.5 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(Outcome(result[0]) + " | " + Outcome(result[1], false),
              "宽动态配置 failed 网络异常\nfailNum 1 | 宽动态配置 ok\nfailNum 0");
    EXPECT_EQ(lab.stored("SL2")->wideDynamicRange(0), 0);
}

TEST_F(IssueWorkerTest, ATargetWithoutARecordIsReadInTheSameLoginOrFailsEveryItem) {
    // The targets' fetch caches nothing.
    LabCameras lab({Faulty("NR1", &Faults::failRead, "range")});
    const std::unique_ptr<DeviceConfig> before = lab.stored("NR1");
    store.setIssuedObject("[" + lab.request("NR1") + "]");
    ASSERT_EQ(Cached("NR1_1"), std::nullopt);
    lab.setFaults("NR1", {});
    store.setIssuedConfig(Request(R"({"imageConfig":{"imageColor":{"brightnessLevel":9,
        "contrastLevel":9,"saturationLevel":9,"hue":9}}})"));
    worker.Run();
    EXPECT_EQ(Outcome(Parse(worker.result)[0], false), "图像设置 ok\nfailNum 0");
    const std::unique_ptr<DeviceConfig> after = lab.stored("NR1");
    EXPECT_TRUE(*after == *Expected(*before));

    // When that read fails too, no block is sent at all.
    lab.setFaults("NR1", {.failRead = "config"});
    store.resetForTesting();  // forget the record the first pass re-read
    const int setsBefore = lab.camera("NR1").counters().setsAccepted;
    Json::Value result = Issue({lab.request("NR1")}, Request(R"({"imageConfig":{"imageColor":{
        "brightnessLevel":50},"imageDisplay":{"showName":true}}})"));
    EXPECT_EQ(Outcome(result[0]),
              "图像设置 failed 读取配置失败\nLogo配置 failed 读取配置失败\n图像显示 failed "
              "读取配置失败\nfailNum 3");
    EXPECT_EQ(lab.camera("NR1").counters().setsAccepted, setsBefore);
    EXPECT_EQ(lab.camera("NR1").counters().setsRefused, 0);
    EXPECT_EQ(*lab.stored("NR1"), *after);
}

// Two requests on two threads: one request's lines never fall between the other's.
TEST_F(IssueWorkerTest, IssueRequestsTakeTurns) {
    LabCameras lab({Faulty("TA1", &Faults::delayMs, 20), Faulty("TB1", &Faults::delayMs, 20)});
    IssueRequestRunner runner;
    testing::DebugLogRecorder log;
    std::string resultA, resultB;
    std::thread a([&] {
        runner.run(EM_OPERATETASK_TYPE_ISSUEDCFG, "[" + lab.request("TA1") + "]",
                   Request(R"({"imageConfig":{"imageColor":{"brightnessLevel":31}}})"),
                   [&](const std::string& r) { resultA = r; });
    });
    std::thread b([&] {
        runner.run(EM_OPERATETASK_TYPE_ISSUEDSINGLECFG, "[" + lab.request("TB1") + "]",
                   Request(R"({"imageConfig":{"imageBacklight":{"wideDynamicRangeSwitch":true}}})"),
                   [&](const std::string& r) { resultB = r; });
    });
    a.join();
    b.join();
    EXPECT_EQ(Outcome(Parse(resultA)[0], false) + " | " + Outcome(Parse(resultB)[0], false),
              "图像设置 ok\nfailNum 0 | 宽动态配置 ok\nfailNum 0");
    EXPECT_EQ(lab.stored("TA1")->brightness(), 31);
    EXPECT_EQ(lab.stored("TB1")->wideDynamicRange(0), 1);
    const std::map<std::string, char> marker = {{"issued dev: ", 'R'},
                                                {"issued single dev: ", 'R'},
                                                {"begin issued work. \n", '('},
                                                {"end issued work. \n", ')'}};
    std::string marks;
    for (const auto& entry : log.entries()) {
        if (auto m = marker.find(entry.text); m != marker.end()) {
            marks += m->second;
        }
    }
    EXPECT_EQ(marks, "R()R()");
    EXPECT_EQ(IssueRequestRunner::AnswerCode(EM_OPERATETASK_TYPE_ISSUEDCFG), 7);
    EXPECT_EQ(IssueRequestRunner::AnswerCode(EM_OPERATETASK_TYPE_ISSUEDSINGLECFG), 10);
}

}  // namespace
}  // namespace orvex
