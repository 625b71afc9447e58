// The issuing worker against lab cameras over loopback: every section changes exactly its fields
// in the camera's stored record and reads back through the program; the result list, its
// counting and its texts; and cameras that fail in every way the lab can make them fail.
#include "devcfg/issue_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "app/push_to_h5.h"
#include "devcfg/issue_request_runner.h"
#include "devcfg/testing/sample_records.h"
#include "studio/data_manager.h"
#include "studio/testing/debug_log_recorder.h"
#include "support/json_text.h"
#include "support/operate_task.h"
#include "support/text_conversion.h"
#include "tests/devices/lab_cameras.h"

namespace orvex {
namespace {

using testing::LabCamera;
using testing::LabCameras;

Json::Value Parse(const std::string& text) {
    Json::Value value;
    EXPECT_TRUE(ParseJson(text, value)) << text;
    return value;
}

// {"configItems": <items>} from a JSON text of the items.
std::string Request(const std::string& items) {
    return R"({"configItems":)" + items + "}";
}

class IssueWorkerTest : public ::testing::Test {
  protected:
    IssueWorkerTest() { store.resetForTesting(); }
    ~IssueWorkerTest() override { store.resetForTesting(); }

    // One issue request over `targets` (camera object texts); the parsed result array.
    Json::Value Issue(const std::vector<std::string>& targets, const std::string& config) {
        std::string list = "[";
        for (const std::string& t : targets) {
            list += (list.size() > 1 ? "," : "") + t;
        }
        store.setIssuedObject(list + "]");
        store.setIssuedConfig(config);
        worker.Run();
        return Parse(worker.result);
    }

    // The bytes that differ between two records.
    static std::set<size_t> Changed(const DeviceConfig& a, const DeviceConfig& b) {
        std::set<size_t> out;
        for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
            if (a.data()[i] != b.data()[i]) {
                out.insert(i);
            }
        }
        return out;
    }

    // Every changed byte lies in a field of one of `items`.
    static void ExpectOnlyFieldsOf(const std::set<size_t>& changed,
                                   const std::vector<int32_t>& items) {
        std::set<size_t> allowed;
        for (int32_t item : items) {
            std::set<size_t> fields = testing::ItemFieldBytes(item);
            allowed.insert(fields.begin(), fields.end());
        }
        for (size_t i : changed) {
            EXPECT_TRUE(allowed.count(i)) << "byte " << i << " changed outside the issued fields";
        }
    }

    // The page configuration the program now shows for the camera.
    Json::Value PageConfig(const LabCameras& lab, const std::string& serial) {
        return Parse(store.getCameraCfgInfo(lab.request(serial)))["configItems"];
    }

    testing::ShortDeviceLimits limits;
    DataManager& store = DataManager::instance();
    IssueWorker worker;
};

// One section, what it sends, and how its effect shows.
struct Section {
    const char* name;
    std::string items;  // the "configItems" JSON
    std::vector<int32_t> codes;
    std::vector<const char*> itemNames;
    std::function<void(const DeviceConfig& before, const DeviceConfig& after)> stored;
    std::function<void(const Json::Value& page)> page;
};

TEST_F(IssueWorkerTest, EachSectionChangesExactlyItsFieldsAndReadsBack) {
    const std::vector<Section> sections = {
        {"general",
         R"({"generalConfig":{"timeProofreading":{"proofMode":"auto",
             "serverAddress":"ntp.campus.example"}}})",
         {1},
         {"通用配置"},
         [](const DeviceConfig&, const DeviceConfig& after) {
             EXPECT_EQ(after.timeServerAddress(), "ntp.campus.example");
         },
         [](const Json::Value& page) {
             EXPECT_EQ(page["generalConfig"]["timeProofreading"]["serverAddress"].asString(),
                       "ntp.campus.example");
         }},
        {"Wi-Fi",
         R"({"generalConfig":{"timeProofreading":{"serverAddress":"pool.ntp.org"},
             "wiFiConfig":{"ssid":"Warehouse-AP","password":"tkip-pass-99",
             "verifyMethod":"wpa-psk","encryptType":"tkip"}}})",
         {1, 2},
         {"通用配置", "wifi配置"},
         [](const DeviceConfig&, const DeviceConfig& after) {
             EXPECT_EQ(after.wifiSsid(), "Warehouse-AP");
             EXPECT_EQ(after.wifiSecurity(), 2);
             EXPECT_EQ(after.wifiCipher(), 1);
             EXPECT_EQ(after.wifiKey(), "tkip-pass-99");
             EXPECT_EQ(after.wifiKeyLength(), 12);
             EXPECT_EQ(after.wifiKeySelector(), 0);
             EXPECT_EQ(after.wifiMode(), 0);
         },
         [](const Json::Value& page) {
             const Json::Value& wifi = page["generalConfig"]["wiFiConfig"];
             EXPECT_EQ(wifi["ssid"].asString(), "Warehouse-AP");
             EXPECT_EQ(wifi["password"].asString(), "tkip-pass-99");
             EXPECT_EQ(wifi["verifyMethod"].asString(), "WPA-PSK");
             EXPECT_EQ(wifi["encryptType"].asString(), "TKIP");
         }},
        {"defence",
         R"({"defenceConfig":{"motionDetectDefence":{"remindSwitch":true,"detectMode":0,
             "sensitivityLevel":SENSITIVITY,"remindVoice":3}}})",
         {3, 11},
         {"布撤防计划"},
         [](const DeviceConfig&, const DeviceConfig& after) {
             EXPECT_EQ(after.motionSwitch(), 1);
             EXPECT_EQ(after.motionSensitivity(), 3);
             EXPECT_EQ(after.alarmSound(), 3);
             EXPECT_EQ(after.alarmChannel(), 1);
         },
         [](const Json::Value& page) {
             const Json::Value& m = page["defenceConfig"]["motionDetectDefence"];
             EXPECT_TRUE(m["remindSwitch"].asBool());
             EXPECT_EQ(m["remindVoice"].asInt(), 3);
         }},
        {"audio and video",
         R"({"imageConfig":{"audioAndVideoConfig":{"videoConfig":[
             {"streamType":1,"keyFrameInterval":60,"maxFrameRate":20,"picQuality":2,
              "vbrUpperCap":2048,"videoFlowType":1,"bitrateType":"CBR","frameType":"1",
              "videoCodecType":"std_h265","videoResolution":19},
             {"streamType":0,"keyFrameInterval":30,"maxFrameRate":15,"picQuality":4,
              "vbrUpperCap":512,"videoFlowType":0,"bitrateType":"VBR","frameType":0,
              "videoCodecType":"STD_H264","videoResolution":2}],
             "audioConfig":{"audioCompressionType":"g711_a","inputVolume":55,"outputVolume":66,
              "audioInputMode":"LINE IN"}}}})",
         {4, 5, 6},
         {"视频配置", "输入音频配置", "输出音频配置"},
         [](const DeviceConfig& before, const DeviceConfig& after) {
             EXPECT_EQ(after.streamType(0), 1);
             EXPECT_EQ(after.streamIFrameInterval(0), 60);
             EXPECT_EQ(after.streamFrameRate(0), 20);
             EXPECT_EQ(after.streamBitrateCode(0), 23);
             EXPECT_EQ(after.streamBitrateType(0), 1);
             EXPECT_EQ(after.streamFrameType(0), 1);
             EXPECT_EQ(after.streamVideoEncoding(0), 10) << "STD_H265 in lower case";
             EXPECT_EQ(after.streamResolution(0), 19);
             EXPECT_EQ(after.streamBitrateCode(1), 15);
             EXPECT_EQ(after.streamBitrateType(1), 0);
             EXPECT_EQ(after.streamVideoEncoding(1), 1);
             EXPECT_EQ(after.streamAudioEncoding(0), 2);
             EXPECT_EQ(after.streamAudioEncoding(1), 2);
             EXPECT_EQ(after.audioInputMode(), 1);
             EXPECT_EQ(after.audioInputVolume(), 55);
             EXPECT_EQ(after.audioOutputVolume(), 66);
             // Records 2 to 4 of the compression block are the camera's own.
             EXPECT_TRUE(std::equal(before.data() + 79564 + 232, before.data() + 80144,
                                    after.data() + 79564 + 232));
         },
         [](const Json::Value& page) {
             const Json::Value& av = page["imageConfig"]["audioAndVideoConfig"];
             EXPECT_EQ(av["videoConfig"][0]["videoCodecType"].asString(), "STD_H265");
             EXPECT_EQ(av["videoConfig"][0]["vbrUpperCap"].asInt(), 2048);
             EXPECT_EQ(av["videoConfig"][0]["bitrateType"].asString(), "CBR");
             EXPECT_EQ(av["videoConfig"][1]["vbrUpperCap"].asInt(), 512);
             EXPECT_EQ(av["videoConfig"][1]["maxFrameRate"].asInt(), 15);
             EXPECT_EQ(av["audioConfig"]["audioCompressionType"].asString(), "G711_A");
             EXPECT_EQ(av["audioConfig"]["audioInputMode"].asString(), "Line In");
             EXPECT_EQ(av["audioConfig"]["outputVolume"].asInt(), 66);
         }},
        {"backlight",
         R"({"imageConfig":{"imageBacklight":{"wideDynamicRangeSwitch":WDR}}})",
         {7},
         {"宽动态配置"},
         [](const DeviceConfig& before, const DeviceConfig& after) {
             for (int place = 0; place < 3; ++place) {
                 EXPECT_EQ(after.wideDynamicRange(place), 1 - before.wideDynamicRange(0));
             }
         },
         nullptr},
        {"colour",
         R"({"imageConfig":{"imageColor":{"brightnessLevel":71,"contrastLevel":22,
             "saturationLevel":93,"hue":14}}})",
         {8},
         {"图像设置"},
         [](const DeviceConfig&, const DeviceConfig& after) {
             EXPECT_EQ(after.brightness(), 71);
             EXPECT_EQ(after.contrast(), 22);
             EXPECT_EQ(after.saturation(), 93);
             EXPECT_EQ(after.hue(), 14);
         },
         [](const Json::Value& page) {
             EXPECT_EQ(page["imageConfig"]["imageColor"]["brightnessLevel"].asInt(), 71);
             EXPECT_EQ(page["imageConfig"]["imageColor"]["hue"].asInt(), 14);
         }},
        {"display",
         R"({"imageConfig":{"imageDisplay":{"showOrvexLogo":LOGO,"showName":false,
             "showDate":true,"showWeek":true,"dateFormat":"dd/mm/YYYY","displayState":2,
             "timeFormat":5}}})",
         {10, 9},
         {"Logo配置", "图像显示"},
         [](const DeviceConfig& before, const DeviceConfig& after) {
             EXPECT_EQ(after.logoShown(), before.logoShown() == 1 ? 0 : 1);
             EXPECT_EQ(after.channelNameShown(), 0);
             EXPECT_EQ(after.dateShown(), 1);
             EXPECT_EQ(after.weekShown(), 1);
             EXPECT_EQ(after.dateFormat(), 8);
             EXPECT_EQ(after.displayState(), 2);
             EXPECT_EQ(after.timeFormat(), 1);
         },
         [](const Json::Value& page) {
             const Json::Value& d = page["imageConfig"]["imageDisplay"];
             EXPECT_EQ(d["dateFormat"].asString(), "dd/MM/yyyy");
             EXPECT_FALSE(d["showName"].asBool());
             EXPECT_EQ(d["timeFormat"].asInt(), 1);
         }},
    };
    for (const Section& s : sections) {
        SCOPED_TRACE(s.name);
        LabCameras lab({LabCamera("SEC1")});
        const std::unique_ptr<DeviceConfig> before = lab.stored("SEC1");
        // Values that differ from what this camera holds, and fit its sensitivity scale.
        std::string items = s.items;
        const bool percent = before->sensitivityScale() == DeviceConfig::kPercentScale;
        items = ReplaceAll(items, "SENSITIVITY", percent ? "60" : "4");
        items = ReplaceAll(items, "WDR", before->wideDynamicRange(0) ? "false" : "true");
        items = ReplaceAll(items, "LOGO", before->logoShown() == 1 ? "false" : "true");

        Json::Value result = Issue({lab.request("SEC1")}, Request(items));
        ASSERT_EQ(result.size(), 1u);
        EXPECT_EQ(result[0]["failNum"].asInt(), 0);
        const Json::Value& sync = result[0]["syncInfo"];
        ASSERT_EQ(sync.size(), s.itemNames.size());
        for (Json::ArrayIndex i = 0; i < sync.size(); ++i) {
            EXPECT_EQ(sync[i]["itemName"].asString(), s.itemNames[i]);
            EXPECT_TRUE(sync[i]["isSuccess"].asBool()) << sync[i]["moreInfo"].asString();
        }
        EXPECT_NE(sync[sync.size() - 1]["moreInfo"].asString().find("applied on channel 1"),
                  std::string::npos);

        const std::unique_ptr<DeviceConfig> after = lab.stored("SEC1");
        const std::set<size_t> changed = Changed(*before, *after);
        EXPECT_FALSE(changed.empty());
        ExpectOnlyFieldsOf(changed, s.codes);
        s.stored(*before, *after);

        // The worker's re-read already holds what the camera now reports.
        DeviceConfig cached;
        ASSERT_TRUE(store.cachedDeviceConfig("SEC1_1", cached));
        EXPECT_EQ(cached, *after);
        if (s.page) {
            s.page(PageConfig(lab, "SEC1"));
        }
        if (std::string(s.name) == "defence") {
            EXPECT_EQ(
                PageConfig(lab, "SEC1")["defenceConfig"]["motionDetectDefence"]["sensitivityLevel"]
                    .asInt(),
                percent ? 60 : 4);
        }
    }
}

TEST_F(IssueWorkerTest, ColourToAReachableAndAnAbsentCameraGivesTheExactResult) {
    lab::CameraSpec absent = LabCamera("CL2");
    absent.faults.absent = true;
    LabCameras lab({LabCamera("CL1"), absent});
    testing::DebugLogRecorder log;
    Issue({lab.request("CL1"), lab.request("CL2")},
          Request(R"({"imageConfig":{"imageColor":{"brightnessLevel":70}}})"));
    EXPECT_EQ(FlattenJsonText(worker.result),
              "[{\"device\" : {\"channelNo\" : 1,\"deviceName\" : \"camera CL1\",\"serial\" : "
              "\"CL1\"},\"failNum\" : 0,\"syncInfo\" : [{\"isSuccess\" : true,\"itemName\" : "
              "\"\\u56fe\\u50cf\\u8bbe\\u7f6e\",\"moreInfo\" : \"colour applied on channel "
              "1\"}]},{\"device\" : {\"channelNo\" : 1,\"deviceName\" : \"camera CL2\",\"serial\" "
              ": \"CL2\"},\"failNum\" : 1,\"syncInfo\" : [{\"isSuccess\" : false,\"itemName\" : "
              "\"\\u56fe\\u50cf\\u8bbe\\u7f6e\",\"moreInfo\" : "
              "\"\\u7f51\\u7edc\\u5f02\\u5e38\"}]}]");
    Json::Value result = Parse(worker.result);
    EXPECT_EQ(result[1]["syncInfo"][0]["moreInfo"].asString(), "网络异常");
    EXPECT_EQ(result[0]["syncInfo"][0]["itemName"].asString(), "图像设置");
    EXPECT_EQ(lab.stored("CL1")->brightness(), 70);
    EXPECT_EQ(lab.stored("CL1")->hue(), 0) << "unmentioned colour values are sent as 0";

    const std::string all = log.text();
    EXPECT_EQ(all.find("begin issued work. \n"), all.rfind("begin issued work. \n"));
    EXPECT_NE(all.find("Issued res: " + worker.result + "\nend issued work. \n"),
              std::string::npos);
}

TEST_F(IssueWorkerTest, NoCameraGivesNullAndMaskZeroStillVisitsEveryCamera) {
    Issue({}, Request(R"({"imageConfig":{"imageColor":{"hue":5}}})"));
    EXPECT_EQ(worker.result, "null");

    LabCameras lab({LabCamera("MZ1"), LabCamera("MZ2")});
    const std::unique_ptr<DeviceConfig> before = lab.stored("MZ1");
    Json::Value result = Issue({lab.request("MZ1"), lab.request("MZ2")}, Request("{}"));
    ASSERT_EQ(result.size(), 2u);
    for (const Json::Value& camera : result) {
        EXPECT_TRUE(camera["syncInfo"].isNull());
        EXPECT_EQ(camera["failNum"].asInt(), 0);
    }
    for (const char* serial : {"MZ1", "MZ2"}) {
        lab::CameraCounters c = lab.camera(serial).counters();
        // The targets' fetch, the issue's own login, and the re-read.
        EXPECT_EQ(c.logins, 3) << serial;
        EXPECT_EQ(c.logouts, 3) << serial;
        EXPECT_EQ(c.configReads, 2) << serial;
        EXPECT_EQ(c.setsAccepted + c.setsRefused, 0) << serial;
    }
    EXPECT_EQ(*lab.stored("MZ1"), *before);
}

TEST_F(IssueWorkerTest, AFailedLoginFailsEveryItemOnce) {
    lab::CameraSpec refusing = LabCamera("LF1");
    refusing.faults.refuseLogin = true;
    lab::CameraSpec changed = LabCamera("LF2");
    changed.faults.wrongPassword = true;
    LabCameras lab({refusing, changed});
    Json::Value result =
        Issue({lab.request("LF1"), lab.request("LF2")},
              Request(R"({"imageConfig":{"audioAndVideoConfig":{"audioConfig":{"inputVolume":5}}},
                    "defenceConfig":{"motionDetectDefence":{"remindVoice":1}}})"));
    ASSERT_EQ(result.size(), 2u);
    for (const Json::Value& camera : result) {
        // Defence counts once, audio and video three times.
        EXPECT_EQ(camera["failNum"].asInt(), 4);
        ASSERT_EQ(camera["syncInfo"].size(), 4u);
        for (const Json::Value& item : camera["syncInfo"]) {
            EXPECT_FALSE(item["isSuccess"].asBool());
            EXPECT_EQ(item["moreInfo"].asString(), "网络异常");
        }
        EXPECT_EQ(camera["syncInfo"][0]["itemName"].asString(), "布撤防计划");
        EXPECT_EQ(camera["syncInfo"][3]["itemName"].asString(), "输出音频配置");
    }
    EXPECT_EQ(lab.camera("LF1").counters().setsAccepted, 0);
    EXPECT_EQ(lab.camera("LF2").counters().setsAccepted, 0);

    // Audio and video alone: three items, three failed steps.
    result = Issue({lab.request("LF2")},
                   Request(R"({"imageConfig":{"audioAndVideoConfig":{"videoConfig":[]}}})"));
    EXPECT_EQ(result[0]["failNum"].asInt(), 3);
    ASSERT_EQ(result[0]["syncInfo"].size(), 3u);
    EXPECT_EQ(result[0]["syncInfo"][0]["itemName"].asString(), "视频配置");
    EXPECT_EQ(result[0]["syncInfo"][1]["itemName"].asString(), "输入音频配置");
    EXPECT_EQ(result[0]["syncInfo"][2]["itemName"].asString(), "输出音频配置");
    // Each request tried three logins: the targets' read, the issue and the re-read.
    EXPECT_EQ(lab.camera("LF2").counters().failedLogins, 6);
}

TEST_F(IssueWorkerTest, ADefenceItemReportsItsAlarmCallAndCountsBothCalls) {
    lab::CameraSpec spec = LabCamera("DF1");
    spec.faults.failItem = CFG_ITEM_MOTION;
    LabCameras lab({spec});
    const std::unique_ptr<DeviceConfig> before = lab.stored("DF1");
    Json::Value result =
        Issue({lab.request("DF1")}, Request(R"({"defenceConfig":{"motionDetectDefence":{
                 "remindSwitch":true,"detectMode":0,"sensitivityLevel":1,"remindVoice":7}}})"));
    EXPECT_EQ(result[0]["failNum"].asInt(), 1);
    ASSERT_EQ(result[0]["syncInfo"].size(), 1u);
    EXPECT_TRUE(result[0]["syncInfo"][0]["isSuccess"].asBool());
    EXPECT_EQ(result[0]["syncInfo"][0]["moreInfo"].asString(), "alarm sound applied on channel 1");
    const std::unique_ptr<DeviceConfig> after = lab.stored("DF1");
    EXPECT_EQ(after->alarmSound(), 7);
    ExpectOnlyFieldsOf(Changed(*before, *after), {11});

    // Both calls failing count twice: the schedule still fails, and the camera refuses the
    // alarm sound 99.
    result = Issue({lab.request("DF1")},
                   Request(R"({"defenceConfig":{"motionDetectDefence":{"remindVoice":99}}})"));
    EXPECT_EQ(result[0]["failNum"].asInt(), 2);
    EXPECT_FALSE(result[0]["syncInfo"][0]["isSuccess"].asBool());
    EXPECT_EQ(result[0]["syncInfo"][0]["moreInfo"].asString(), "alarm sound 99 is outside 0..10");
}

TEST_F(IssueWorkerTest, TheDisplayItemStartsFromTheMotionFieldsTheCameraAccepted) {
    // Both items send the whole picture block: the display block must carry the new motion
    // fields, or it would undo them on the camera.
    LabCameras lab({LabCamera("PB1")});
    const std::unique_ptr<DeviceConfig> before = lab.stored("PB1");
    const bool on = before->motionSwitch() == 0;
    Json::Value result =
        Issue({lab.request("PB1")},
              Request(std::string(R"({"defenceConfig":{"motionDetectDefence":{"remindSwitch":)") +
                      (on ? "true" : "false") + R"(,"remindVoice":2}},
                "imageConfig":{"imageDisplay":{"showName":true,"showDate":true,"dateFormat":"yyyyMMdd"}}})"));
    EXPECT_EQ(result[0]["failNum"].asInt(), 0);
    ASSERT_EQ(result[0]["syncInfo"].size(), 3u);
    const std::unique_ptr<DeviceConfig> after = lab.stored("PB1");
    EXPECT_EQ(after->motionSwitch(), on ? 1 : 0);
    EXPECT_EQ(after->dateFormat(), 2);
    ExpectOnlyFieldsOf(Changed(*before, *after), {3, 9, 10, 11});
}

TEST_F(IssueWorkerTest, WifiWordsInAnyLetterCase) {
    LabCameras lab({LabCamera("WW1")});
    auto wifi = [](const std::string& verify, const std::string& ssid) {
        return Request(R"({"generalConfig":{"timeProofreading":{"serverAddress":"pool.ntp.org"},
                          "wiFiConfig":{"ssid":")" +
                       ssid + R"(","password":"case-test-pw","verifyMethod":")" + verify +
                       R"(","encryptType":"Aes"}}})");
    };
    Issue({lab.request("WW1")}, wifi("Wpa2-PSK", "first"));
    std::unique_ptr<DeviceConfig> r = lab.stored("WW1");
    EXPECT_EQ(r->wifiSecurity(), 4);
    EXPECT_EQ(r->wifiCipher(), 0);
    EXPECT_EQ(r->wifiKey(), "case-test-pw");

    Issue({lab.request("WW1")}, wifi("wpa-psk", "second"));
    r = lab.stored("WW1");
    EXPECT_EQ(r->wifiSecurity(), 2);
    EXPECT_EQ(r->wifiSsid(), "second");

    // A word with neither method leaves security and key, and still renames the network.
    const std::unique_ptr<DeviceConfig> before = lab.stored("WW1");
    Json::Value result =
        Issue({lab.request("WW1")},
              Request(R"({"generalConfig":{"timeProofreading":{"serverAddress":"pool.ntp.org"},
                    "wiFiConfig":{"ssid":"third","password":"other-pass","verifyMethod":"WEP"}}})"));
    EXPECT_EQ(result[0]["failNum"].asInt(), 0);
    r = lab.stored("WW1");
    EXPECT_EQ(r->wifiSsid(), "third");
    EXPECT_EQ(r->wifiSecurity(), before->wifiSecurity());
    EXPECT_EQ(r->wifiKey(), before->wifiKey());
    EXPECT_EQ(r->wifiKeyLength(), before->wifiKeyLength());
}

TEST_F(IssueWorkerTest, TheServerAddressIsCutTo64BytesAndLeavesNoTrace) {
    LabCameras lab({LabCamera("SA1")});
    const std::string longAddress = "ntp-" + std::string(70, 'x') + ".example";
    Issue({lab.request("SA1")}, Request(R"({"generalConfig":{"timeProofreading":{
              "serverAddress":")" + longAddress +
                                        R"("}}})"));
    EXPECT_EQ(lab.stored("SA1")->timeServerAddress(), longAddress.substr(0, 64));
    EXPECT_EQ(PageConfig(lab, "SA1")["generalConfig"]["timeProofreading"]["serverAddress"],
              longAddress.substr(0, 64));

    Issue({lab.request("SA1")},
          Request(R"({"generalConfig":{"timeProofreading":{"serverAddress":"short"}}})"));
    std::unique_ptr<DeviceConfig> r = lab.stored("SA1");
    EXPECT_EQ(r->timeServerAddress(), "short");
    EXPECT_TRUE(std::all_of(r->data() + 5, r->data() + 64, [](uint8_t b) { return b == 0; }));
}

TEST_F(IssueWorkerTest, AnUnknownCodecIsRefusedByTheCameraAndChangesNothing) {
    LabCameras lab({LabCamera("CD1")});
    const std::unique_ptr<DeviceConfig> before = lab.stored("CD1");
    Json::Value result = Issue({lab.request("CD1")}, Request(R"({"imageConfig":{
        "audioAndVideoConfig":{"videoConfig":[{"videoCodecType":"H265","videoResolution":19,
        "vbrUpperCap":2048,"maxFrameRate":25,"keyFrameInterval":50}]}}})"));
    // The word H265 becomes 0xFF, which the camera refuses; the audio items still succeed
    // (with volumes 0).
    EXPECT_EQ(result[0]["failNum"].asInt(), 1);
    EXPECT_FALSE(result[0]["syncInfo"][0]["isSuccess"].asBool());
    EXPECT_EQ(result[0]["syncInfo"][0]["moreInfo"].asString(),
              "main stream video encoding 255 is not supported (supported: 1, 10)");
    const std::unique_ptr<DeviceConfig> after = lab.stored("CD1");
    EXPECT_TRUE(std::equal(before->data() + 79564, before->data() + 80144, after->data() + 79564));
}

TEST_F(IssueWorkerTest, ADroppedConnectionFailsTheRestAndKeepsTheCamerasOtherSettings) {
    lab::CameraSpec spec = LabCamera("DR1");
    spec.faults.dropOnItem = CFG_ITEM_AUDIO_IN;
    LabCameras lab({spec});
    const std::unique_ptr<DeviceConfig> before = lab.stored("DR1");
    const std::string av = R"({"imageConfig":{"audioAndVideoConfig":{"videoConfig":[
        {"streamType":0,"keyFrameInterval":40,"maxFrameRate":25,"picQuality":1,"vbrUpperCap":4096,
         "videoFlowType":0,"bitrateType":"VBR","frameType":0,"videoCodecType":"STD_H264",
         "videoResolution":20},
        {"streamType":0,"keyFrameInterval":20,"maxFrameRate":10,"picQuality":1,"vbrUpperCap":256,
         "videoFlowType":0,"bitrateType":"VBR","frameType":0,"videoCodecType":"STD_H264",
         "videoResolution":1}],
        "audioConfig":{"audioCompressionType":"AAC","inputVolume":10,"outputVolume":20}},
        "imageColor":{"brightnessLevel":1,"contrastLevel":2,"saturationLevel":3,"hue":4}}})";
    Json::Value result = Issue({lab.request("DR1")}, Request(av));
    const Json::Value& sync = result[0]["syncInfo"];
    ASSERT_EQ(sync.size(), 4u);
    EXPECT_TRUE(sync[0]["isSuccess"].asBool()) << sync[0]["moreInfo"].asString();
    EXPECT_FALSE(sync[1]["isSuccess"].asBool());
    EXPECT_EQ(sync[1]["moreInfo"].asString(), "the device closed the connection");
    EXPECT_FALSE(sync[2]["isSuccess"].asBool());
    EXPECT_EQ(sync[2]["moreInfo"].asString(), "not connected to the device");
    EXPECT_EQ(sync[3]["itemName"].asString(), "图像设置");
    EXPECT_FALSE(sync[3]["isSuccess"].asBool());
    EXPECT_EQ(result[0]["failNum"].asInt(), 3);

    // Only the compression block the camera accepted changed; the colour block was never sent.
    const std::unique_ptr<DeviceConfig> after = lab.stored("DR1");
    ExpectOnlyFieldsOf(Changed(*before, *after), {4});
    EXPECT_EQ(after->streamBitrateCode(0), 25);
    EXPECT_EQ(after->audioInputVolume(), before->audioInputVolume());
    EXPECT_EQ(after->brightness(), before->brightness());
    // The re-read came after the drop, on a new connection.
    DeviceConfig cached;
    ASSERT_TRUE(store.cachedDeviceConfig("DR1_1", cached));
    EXPECT_EQ(cached, *after);
}

TEST_F(IssueWorkerTest, ACameraThatNeverAnswersFailsWithinTheLimitsAndTheNextIsIssued) {
    lab::CameraSpec silent = LabCamera("SL1");
    silent.faults.silent = true;
    LabCameras lab({silent, LabCamera("SL2")});
    const auto start = std::chrono::steady_clock::now();
    Json::Value result = Issue({lab.request("SL1"), lab.request("SL2")},
                               Request(R"({"imageConfig":{"imageBacklight":{}}})"));
    const auto took = std::chrono::steady_clock::now() - start;
    // Three logins wait for the silent camera (fetch, issue, re-read), each bounded by one
    // request limit of 1.5 s.
    EXPECT_LT(took, std::chrono::seconds(8));
    EXPECT_EQ(result[0]["syncInfo"][0]["moreInfo"].asString(), "网络异常");
    EXPECT_EQ(result[0]["failNum"].asInt(), 1);
    EXPECT_TRUE(result[1]["syncInfo"][0]["isSuccess"].asBool());
    EXPECT_EQ(lab.stored("SL2")->wideDynamicRange(0), 0);
}

TEST_F(IssueWorkerTest, ATargetWithoutARecordIsReadInTheSameLoginOrFailsEveryItem) {
    lab::CameraSpec spec = LabCamera("NR1");
    spec.faults.failRead = "range";  // the targets' fetch caches nothing
    LabCameras lab({spec});
    const std::unique_ptr<DeviceConfig> before = lab.stored("NR1");
    store.setIssuedObject("[" + lab.request("NR1") + "]");
    DeviceConfig cached;
    ASSERT_FALSE(store.cachedDeviceConfig("NR1_1", cached));
    lab.setFaults("NR1", {});
    store.setIssuedConfig(Request(R"({"imageConfig":{"imageColor":{"brightnessLevel":9,
        "contrastLevel":9,"saturationLevel":9,"hue":9}}})"));
    worker.Run();
    Json::Value result = Parse(worker.result);
    EXPECT_EQ(result[0]["failNum"].asInt(), 0);
    std::unique_ptr<DeviceConfig> after = lab.stored("NR1");
    ExpectOnlyFieldsOf(Changed(*before, *after), {8});
    EXPECT_EQ(after->brightness(), 9);

    // When that read fails too, no block is sent at all.
    lab::CameraFaults faults;
    faults.failRead = "config";
    lab.setFaults("NR1", faults);
    store.resetForTesting();  // forget the record the first pass re-read
    store.setIssuedObject("[" + lab.request("NR1") + "]");
    store.setIssuedConfig(Request(R"({"imageConfig":{"imageColor":{"brightnessLevel":50},
        "imageDisplay":{"showName":true}}})"));
    const int setsBefore = lab.camera("NR1").counters().setsAccepted;
    worker.Run();
    result = Parse(worker.result);
    EXPECT_EQ(result[0]["failNum"].asInt(), 3);
    for (const Json::Value& item : result[0]["syncInfo"]) {
        EXPECT_FALSE(item["isSuccess"].asBool());
        EXPECT_EQ(item["moreInfo"].asString(), "读取配置失败");
    }
    EXPECT_EQ(lab.camera("NR1").counters().setsAccepted, setsBefore);
    EXPECT_EQ(lab.camera("NR1").counters().setsRefused, 0);
    EXPECT_EQ(*lab.stored("NR1"), *after);
}

TEST_F(IssueWorkerTest, IssueRequestsTakeTurns) {
    lab::CameraSpec slowA = LabCamera("TA1");
    slowA.faults.delayMs = 20;
    lab::CameraSpec slowB = LabCamera("TB1");
    slowB.faults.delayMs = 20;
    LabCameras lab({slowA, slowB});
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
    Json::Value ra = Parse(resultA);
    Json::Value rb = Parse(resultB);
    ASSERT_EQ(ra.size(), 1u);
    ASSERT_EQ(rb.size(), 1u);
    EXPECT_EQ(ra[0]["device"]["serial"].asString(), "TA1");
    EXPECT_EQ(ra[0]["syncInfo"][0]["itemName"].asString(), "图像设置");
    EXPECT_EQ(rb[0]["device"]["serial"].asString(), "TB1");
    EXPECT_EQ(rb[0]["syncInfo"][0]["itemName"].asString(), "宽动态配置");
    EXPECT_EQ(lab.stored("TA1")->brightness(), 31);
    EXPECT_EQ(lab.stored("TB1")->wideDynamicRange(0), 1);
    // One request's lines never fall between the other's.
    std::vector<std::string> marks;
    for (const auto& entry : log.entries()) {
        for (const char* mark : {"issued dev: ", "issued single dev: ", "begin issued work. \n",
                                 "end issued work. \n"}) {
            if (entry.text == mark) {
                marks.push_back(entry.text);
            }
        }
    }
    ASSERT_EQ(marks.size(), 6u);
    EXPECT_EQ(marks[1], "begin issued work. \n");
    EXPECT_EQ(marks[2], "end issued work. \n");
    EXPECT_NE(marks[3], marks[0]);
    EXPECT_EQ(marks[4], "begin issued work. \n");
    EXPECT_EQ(marks[5], "end issued work. \n");
    EXPECT_EQ(IssueRequestRunner::AnswerCode(EM_OPERATETASK_TYPE_ISSUEDCFG), 7);
    EXPECT_EQ(IssueRequestRunner::AnswerCode(EM_OPERATETASK_TYPE_ISSUEDSINGLECFG), 10);
}

}  // namespace
}  // namespace orvex
