// The issuing worker to a mix of ONVIF and device-protocol lab cameras: each camera's per-item
// results, each ONVIF camera changed in exactly the ONVIF fields asked for, and ONVIF cameras
// with a fault reporting it per item with the rest of their settings kept.
#include <gtest/gtest.h>

#include <map>

#include "app/issue_request_runner.h"
#include "app/operate_task_types.h"
#include "devcfg/config_items.h"
#include "devcfg/issue_worker.h"
#include "studio/data_manager.h"
#include "support/json_text.h"
#include "tests/devices/lab_cameras.h"
#include "tests/devices/onvif_lab.h"

namespace orvex {
namespace {

using lab::onvif::CameraState;
using testing::LabCamera;
using testing::LabCameras;
using testing::OnvifCamera;
using testing::OnvifLab;

// Time server, colour (hue at the value ONVIF cameras report), wide dynamic range and the
// display: items every camera of either kind can take.
constexpr char kConfig[] = R"({"configItems":{
  "generalConfig":{"timeProofreading":{"serverAddress":"ntp.mixed.example"}},
  "imageConfig":{
    "imageColor":{"brightnessLevel":61,"contrastLevel":52,"saturationLevel":43,"hue":50},
    "imageBacklight":{"wideDynamicRangeSwitch":true},
    "imageDisplay":{"showOrvexLogo":false,"showName":false,"showDate":true,"showWeek":false,
      "dateFormat":"dd/mm/YYYY","displayState":0,"timeFormat":1}}}})";

// What an ONVIF camera that took the whole of kConfig holds.
CameraState Issued(CameraState s) {
    s.ntp.front() = {"DNS", "ntp.mixed.example"};
    lab::onvif::Channel& c = s.channels.front();
    c.imaging.brightness = 61;
    c.imaging.contrast = 52;
    c.imaging.saturation = 43;
    c.imaging.wdr = true;
    c.nameOsd.plainText = "";
    c.dateOsd.dateFormat = "dd/MM/yyyy";
    c.dateOsd.timeFormat = "hh:mm:ss tt";
    return s;
}

// Each camera's item states (failed ones with their moreInfo) and failNum, by serial.
std::map<std::string, std::string> Summaries(const Json::Value& result) {
    std::map<std::string, std::string> out;
    for (const Json::Value& camera : result) {
        out[camera["device"]["serial"].asString()] = testing::ItemStates(camera, true) +
                                                     "; failNum " +
                                                     std::to_string(camera["failNum"].asInt());
    }
    return out;
}

class OnvifIssueTest : public ::testing::Test {
  protected:
    OnvifIssueTest() { store.resetForTesting(); }
    ~OnvifIssueTest() override { store.resetForTesting(); }

    Json::Value Issue(const std::vector<std::string>& targets) {
        store.setIssuedObject(testing::JsonList(targets));
        store.setIssuedConfig(kConfig);
        worker.Run();
        return testing::Parse(worker.result);
    }

    testing::ShortDeviceLimits limits{500, 1500};
    DataManager& store = DataManager::instance();
    IssueWorker worker{DataManager::instance()};
};

std::string Request(const CameraRecord& r) {
    return WriteJson(WriteCameraObject(r));
}

TEST_F(OnvifIssueTest, AMixedIssueChangesExactlyTheAskedFieldsOnEveryCamera) {
    lab::onvif::OnvifSetup wrongPassword = OnvifCamera("OV-PW");
    wrongPassword.faults.wrongPassword = true;
    lab::onvif::OnvifSetup failingSet = OnvifCamera("OV-OP");
    failingSet.faults.failOp = "SetImagingSettings";
    OnvifLab onvif({OnvifCamera("OV-A"), OnvifCamera("OV-B"), wrongPassword, failingSet});
    LabCameras device({LabCamera("DP-A"), LabCamera("DP-B")});
    std::map<std::string, CameraState> before;
    for (const char* serial : {"OV-A", "OV-B", "OV-PW", "OV-OP"}) {
        before[serial] = onvif.state(serial);
    }
    const std::unique_ptr<DeviceConfig> deviceBefore = device.stored("DP-A");

    // The two kinds interleaved, as a group mixing them lists them.
    const Json::Value result = Issue({Request(onvif.record("OV-A")), device.request("DP-A"),
                                      Request(onvif.record("OV-B")), Request(onvif.record("OV-PW")),
                                      device.request("DP-B"), Request(onvif.record("OV-OP"))});
    ASSERT_EQ(result.size(), 6u);
    const auto summaries = Summaries(result);
    const std::string every =
        "通用配置: verified, 宽动态配置: verified, 图像设置: verified, Logo配置: verified, "
        "图像显示: verified; failNum 0";
    for (const char* serial : {"OV-A", "OV-B", "DP-A", "DP-B"}) {
        EXPECT_EQ(summaries.at(serial), every) << serial;
    }
    for (const char* serial : {"OV-A", "OV-B"}) {
        EXPECT_EQ(onvif.state(serial), Issued(before[serial])) << serial;
    }
    // The device-protocol camera holds the issued items over what it had.
    EXPECT_TRUE(*device.stored("DP-A") ==
                *testing::AfterIssue(*deviceBefore, store.issuedConfig()));

    // A wrong password: every item names the cause "auth" with the text a device-protocol
    // camera's refused login gives, and the camera is untouched.
    EXPECT_EQ(summaries.at("OV-PW"),
              "通用配置: auth (网络异常), 宽动态配置: auth (网络异常), 图像设置: auth (网络异常), "
              "Logo配置: auth (网络异常), 图像显示: auth (网络异常); failNum 5");
    EXPECT_EQ(onvif.state("OV-PW"), before["OV-PW"]);

    // The camera refuses its imaging set: the two imaging items carry its reason, the others
    // are applied, and the imaging settings are as they were.
    EXPECT_EQ(summaries.at("OV-OP"),
              "通用配置: verified, 宽动态配置: camera (摄像机无法执行 "
              "SetImagingSettings), 图像设置: camera (摄像机无法执行 "
              "SetImagingSettings), Logo配置: verified, 图像显示: verified; failNum 2");
    CameraState opExpected = Issued(before["OV-OP"]);
    opExpected.channels.front().imaging = before["OV-OP"].channels.front().imaging;
    EXPECT_EQ(onvif.state("OV-OP"), opExpected);
}

}  // namespace
}  // namespace orvex
