// The ONVIF driver under the device library against lab ONVIF cameras: login and serial,
// the records read, each item set changing exactly its ONVIF fields, and the faults.
#include <gtest/gtest.h>

#include <memory>

#include "devcfg/camera_login.h"
#include "platform/rprov/rprov_agent.h"
#include "platform/rprov/rprov_onvif_mapping.h"
#include "tests/devices/lab_cameras.h"
#include "tests/devices/onvif_lab.h"

namespace orvex::testing {
namespace {

using lab::onvif::CameraState;

constexpr char kNotSupported[] = "该摄像机不支持此配置项";

class OnvifDriverTest : public ::testing::Test {
  protected:
    OnvifDriverTest() : lab({OnvifCamera("OV1", "pw-1", {1, 2})}) {}
    ~OnvifDriverTest() override {
        if (handle > 0) {
            RPROV_Logout_Dev(handle);
        }
    }

    bool Login(const std::string& serial = "OV1") {
        LoginDeviceInfo info;
        const bool ok = LoginCamera(lab.record(serial), handle, info);
        reportedSerial = info.serialNumber();
        return ok;
    }
    std::unique_ptr<DeviceConfig> Read(int32_t channel = 1) {
        auto record = std::make_unique<DeviceConfig>();
        EXPECT_TRUE(RPROV_GetConfig(handle, "OV1", channel, *record)) << RPROV_GetLastError();
        return record;
    }
    // Sends item `item` of `record` and returns the library's message.
    bool Send(int32_t item, const DeviceConfig& record, std::string& message, int32_t channel = 1) {
        return RPROV_SetConfig_To_Dev(handle, item, channel, record.block(item).data(), message);
    }

    OnvifLab lab;
    int32_t handle = -1;
    std::string reportedSerial;
};

TEST_F(OnvifDriverTest, LoginReportsTheSerialAndTheRecordsMirrorTheCamera) {
    ASSERT_TRUE(Login());
    EXPECT_EQ(reportedSerial, "OV1");
    const CameraState state = lab.state("OV1");
    for (int32_t channel : {1, 2}) {
        SCOPED_TRACE(channel);
        const lab::onvif::Channel& ch = state.channels[static_cast<size_t>(channel - 1)];
        const auto record = Read(channel);
        ConfigRange range;
        ASSERT_TRUE(RPROV_GetCfgRange(handle, "OV1", channel, range));
        EXPECT_EQ(record->timeServerAddress(), state.ntp.front().address);
        EXPECT_EQ(record->wifiSsid(), state.wifi.ssid);
        EXPECT_EQ(record->wifiSecurity(), 4);  // PSK reads as WPA2-PSK
        const lab::onvif::VideoEncoder* streams[2] = {&ch.main, &ch.sub};
        const std::vector<ResolutionEntry>* lists[2] = {&range.mainResolutions,
                                                        &range.subResolutions};
        for (int s = 0; s < 2; ++s) {
            const ResolutionEntry& entry = lists[s]->at(record->streamResolution(s));
            EXPECT_EQ(entry.value,
                      std::to_string(streams[s]->width) + "x" + std::to_string(streams[s]->height));
            EXPECT_EQ(record->streamBitrateCode(s), rprov::NearestBitrateCode(streams[s]->bitrate));
            EXPECT_EQ(record->streamFrameRate(s), streams[s]->frameRate);
            EXPECT_EQ(record->streamIFrameInterval(s), streams[s]->govLength);
            EXPECT_EQ(record->streamPicQuality(s), streams[s]->quality);
            EXPECT_EQ(record->streamVideoEncoding(s), 1);  // STD_H264
            EXPECT_EQ(record->streamBitrateType(s), streams[s]->constantBitRate ? 1 : 0);
        }
        EXPECT_EQ(record->streamAudioEncoding(0), 1);  // G711 reads as G711_U
        EXPECT_EQ(record->brightness(), ch.imaging.brightness);
        EXPECT_EQ(record->contrast(), ch.imaging.contrast);
        EXPECT_EQ(record->saturation(), ch.imaging.saturation);
        EXPECT_EQ(record->wideDynamicRange(0), ch.imaging.wdr ? 1 : 0);
        EXPECT_EQ(record->dateShown(), 1);
        EXPECT_EQ(record->dateFormat(), 0);  // yyyy-MM-dd
        EXPECT_EQ(record->timeFormat(), 0);  // HH:mm:ss
        EXPECT_EQ(record->channelNameShown(), 1);
        EXPECT_EQ(record->motionSwitch(), ch.motion.enabled ? 1 : 0);
        EXPECT_EQ(record->motionSensitivity(), (ch.motion.sensitivity + 10) / 20);
        EXPECT_EQ(range.brightness, (RangeTriple{0, 100, ch.imaging.brightness}));
        EXPECT_EQ(range.videoTypes.values, (std::vector<int32_t>{1, 10, 7}));
        EXPECT_EQ(range.mainAudioEncTypes.values, (std::vector<int32_t>{1, 6, 7}));
        EXPECT_EQ(range.iFrameRanges.at(0), (RangeTriple{1, 150, ch.main.govLength}));
    }
    // Another serial than the camera's is refused as such.
    DeviceConfig other;
    EXPECT_FALSE(RPROV_GetConfig(handle, "OTHER", 1, other));
    EXPECT_EQ(RPROV_GetLastError(), RPROV_ERR_WRONG_SERIAL);
}

// Each item changes exactly the ONVIF fields it asks for; the camera's other state is kept.
TEST_F(OnvifDriverTest, EachItemChangesExactlyItsOnvifFields) {
    ASSERT_TRUE(Login());
    struct Case {
        const char* name;
        int32_t item;
        void (*edit)(DeviceConfig&);
        void (*expect)(CameraState&);
    };
    const Case cases[] = {
        {"colour", CFG_ITEM_COLOR, [](DeviceConfig& r) { r.setBrightness(73); },
         [](CameraState& s) { s.channels[0].imaging.brightness = 73; }},
        {"wdr", CFG_ITEM_IMAGE,
         [](DeviceConfig& r) { r.setWideDynamicRange(r.wideDynamicRange() ? 0 : 1); },
         [](CameraState& s) { s.channels[0].imaging.wdr = !s.channels[0].imaging.wdr; }},
        {"time server", CFG_ITEM_TIME, [](DeviceConfig& r) { r.setTimeServerAddress("10.0.0.7"); },
         [](CameraState& s) {
             s.ntp.front() = {"IPv4", "10.0.0.7"};
         }},
        {"main stream", CFG_ITEM_COMPRESSION,
         [](DeviceConfig& r) {
             r.setStreamFrameRate(0, 12);
             r.setStreamBitrateCode(0, 25);  // 4096 kbit/s
             r.setStreamBitrateType(0, 1);
         },
         [](CameraState& s) {
             s.channels[0].main.frameRate = 12;
             s.channels[0].main.bitrate = 4096;
             s.channels[0].main.constantBitRate = true;
         }},
        {"sub stream codec", CFG_ITEM_COMPRESSION,
         [](DeviceConfig& r) { r.setStreamVideoEncoding(1, 10); },
         [](CameraState& s) { s.channels[0].sub.encoding = "H265"; }},
        {"audio codec", CFG_ITEM_COMPRESSION,
         [](DeviceConfig& r) {
             r.setStreamAudioEncoding(0, 7);
             r.setStreamAudioEncoding(1, 7);
         },
         [](CameraState& s) {
             s.channels[0].audio.encoding = "AAC";
             // The bitrate 64 AAC offers too is kept; 8 kHz is not offered: the first rate is.
             s.channels[0].audio.sampleRate = 16;
         }},
        {"date format", CFG_ITEM_OSD, [](DeviceConfig& r) { r.setDateFormat(8); },
         [](CameraState& s) { s.channels[0].dateOsd.dateFormat = "dd/MM/yyyy"; }},
        {"12-hour clock", CFG_ITEM_OSD, [](DeviceConfig& r) { r.setTimeFormat(1); },
         [](CameraState& s) { s.channels[0].dateOsd.timeFormat = "hh:mm:ss tt"; }},
        {"name hidden", CFG_ITEM_OSD, [](DeviceConfig& r) { r.setChannelNameShown(0); },
         [](CameraState& s) { s.channels[0].nameOsd.plainText = ""; }},
        {"motion off", CFG_ITEM_MOTION, [](DeviceConfig& r) { r.setMotionSwitch(0); },
         [](CameraState& s) { s.channels[0].motion.enabled = false; }},
        {"motion on, sensitivity", CFG_ITEM_MOTION,
         [](DeviceConfig& r) {
             r.setMotionSwitch(1);
             r.setMotionSensitivity(4);
         },
         [](CameraState& s) {
             s.channels[0].motion.enabled = true;
             s.channels[0].motion.sensitivity = 80;
         }},
        {"wifi", CFG_ITEM_WIFI,
         [](DeviceConfig& r) {
             r.setWifiSsid("Site-AP");
             r.setWifiCipher(1);
             r.setWifiKey("new-passphrase");
         },
         [](CameraState& s) {
             s.wifi.ssid = "Site-AP";
             s.wifi.algorithm = "TKIP";
             s.wifi.passphrase = "new-passphrase";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CameraState expected = lab.state("OV1");
        auto record = Read();
        c.edit(*record);
        std::string message;
        EXPECT_TRUE(Send(c.item, *record, message)) << message;
        c.expect(expected);
        EXPECT_EQ(lab.state("OV1"), expected);
        // What was set reads back in the item's block (the Wi-Fi passphrase is write-only).
        const auto reread = Read();
        if (c.item != CFG_ITEM_WIFI) {
            EXPECT_TRUE(std::ranges::equal(reread->block(c.item), record->block(c.item)));
        }
    }
}

TEST_F(OnvifDriverTest, AnItemWithoutCounterpartPassesUnchangedAndFailsPlainlyOtherwise) {
    ASSERT_TRUE(Login());
    const CameraState before = lab.state("OV1");
    auto record = Read();
    for (int32_t item : {CFG_ITEM_ALARM_SOUND, CFG_ITEM_LOGO, CFG_ITEM_AUDIO_IN, CFG_ITEM_AUDIO_OUT,
                         CFG_ITEM_COLOR, CFG_ITEM_COMPRESSION}) {
        SCOPED_TRACE(item);
        std::string message;
        EXPECT_TRUE(Send(item, *record, message)) << message;
    }
    const int setsBefore = lab.camera("OV1").counters().setsAccepted;
    const std::pair<int32_t, void (*)(DeviceConfig&)> changes[] = {
        {CFG_ITEM_ALARM_SOUND, [](DeviceConfig& r) { r.setAlarmSoundBlock(1, 3); }},
        {CFG_ITEM_LOGO, [](DeviceConfig& r) { r.setLogoShown(1); }},
        {CFG_ITEM_AUDIO_IN, [](DeviceConfig& r) { r.setAudioInputVolume(80); }},
        {CFG_ITEM_AUDIO_OUT, [](DeviceConfig& r) { r.setAudioOutputVolume(10); }},
        {CFG_ITEM_COLOR, [](DeviceConfig& r) { r.setHue(20); }},
        {CFG_ITEM_COMPRESSION, [](DeviceConfig& r) { r.setStreamFrameType(0, 2); }},
        {CFG_ITEM_OSD, [](DeviceConfig& r) { r.setWeekShown(1); }},
    };
    for (const auto& [item, edit] : changes) {
        SCOPED_TRACE(item);
        auto changed = std::make_unique<DeviceConfig>(*record);
        edit(*changed);
        std::string message;
        EXPECT_FALSE(Send(item, *changed, message));
        EXPECT_EQ(RPROV_GetLastError(), RPROV_ERR_UNSUPPORTED);
        EXPECT_EQ(message, kNotSupported);
    }
    EXPECT_EQ(lab.camera("OV1").counters().setsAccepted, setsBefore);
    EXPECT_EQ(lab.state("OV1"), before);
}

TEST(OnvifDriverFaults, EachFaultGivesItsCauseAndChangesNothingElse) {
    lab::onvif::OnvifSetup wrong = OnvifCamera("F-PW");
    wrong.faults.wrongPassword = true;
    lab::onvif::OnvifSetup skewed = OnvifCamera("F-SKEW");
    skewed.faults.skewSeconds = 3 * 3600;
    lab::onvif::OnvifSetup failing = OnvifCamera("F-OP");
    failing.faults.failOp = "SetImagingSettings";
    lab::onvif::OnvifSetup bare = OnvifCamera("F-BARE");
    bare.faults.unsupported = {"imaging", "media2"};
    bare.faults.noOsd = true;
    bare.faults.noWifi = true;
    bare.faults.noAnalytics = true;
    OnvifLab lab({wrong, skewed, failing, bare});
    ShortDeviceLimits limits(500, 1500);

    int32_t handle = -1;
    LoginDeviceInfo info;
    EXPECT_FALSE(LoginCamera(lab.record("F-PW"), handle, info));
    EXPECT_EQ(RPROV_GetLastError(), RPROV_ERR_AUTH);

    // A camera three hours off: the driver signs by the camera's clock, so the set works.
    ASSERT_TRUE(LoginCamera(lab.record("F-SKEW"), handle, info));
    auto record = std::make_unique<DeviceConfig>();
    ASSERT_TRUE(RPROV_GetConfig(handle, "F-SKEW", 1, *record));
    record->setContrast(12);
    std::string message;
    EXPECT_TRUE(RPROV_SetConfig_To_Dev(handle, CFG_ITEM_COLOR, 1,
                                       record->block(CFG_ITEM_COLOR).data(), message));
    EXPECT_EQ(lab.state("F-SKEW").channels[0].imaging.contrast, 12);
    RPROV_Logout_Dev(handle);

    // A SOAP fault on one set: the camera's own reason, nothing changed, other sets still work.
    ASSERT_TRUE(LoginCamera(lab.record("F-OP"), handle, info));
    const CameraState before = lab.state("F-OP");
    ASSERT_TRUE(RPROV_GetConfig(handle, "F-OP", 1, *record));
    record->setBrightness(5);
    EXPECT_FALSE(RPROV_SetConfig_To_Dev(handle, CFG_ITEM_COLOR, 1,
                                        record->block(CFG_ITEM_COLOR).data(), message));
    EXPECT_EQ(RPROV_GetLastError(), RPROV_ERR_DEVICE);
    EXPECT_NE(message.find("SetImagingSettings"), std::string::npos) << message;
    EXPECT_EQ(lab.state("F-OP"), before);
    record->setTimeServerAddress("time.example.org");
    EXPECT_TRUE(RPROV_SetConfig_To_Dev(handle, CFG_ITEM_TIME, 1,
                                       record->block(CFG_ITEM_TIME).data(), message));
    EXPECT_EQ(lab.state("F-OP").ntp.front().address, "time.example.org");

    // The camera stops answering mid-issue: a time-out within the limits, never a hang.
    lab::onvif::OnvifFaults silent;
    silent.silent = true;
    lab.setFaults("F-OP", silent);
    record->setContrast(9);
    EXPECT_FALSE(RPROV_SetConfig_To_Dev(handle, CFG_ITEM_COLOR, 1,
                                        record->block(CFG_ITEM_COLOR).data(), message));
    EXPECT_EQ(RPROV_GetLastError(), RPROV_ERR_TIMEOUT);
    RPROV_Logout_Dev(handle);

    // Without imaging, Media2, OSD, Wi-Fi or analytics: the record reads with fixed values,
    // and changing what is missing fails plainly.
    ASSERT_TRUE(LoginCamera(lab.record("F-BARE"), handle, info));
    ASSERT_TRUE(RPROV_GetConfig(handle, "F-BARE", 1, *record));
    EXPECT_EQ(record->brightness(), rprov::kOnvifColourWithoutImaging);
    EXPECT_EQ(record->wifiSsid(), "");
    const CameraState bare0 = lab.state("F-BARE");
    const std::pair<int32_t, void (*)(DeviceConfig&)> missing[] = {
        {CFG_ITEM_COLOR, [](DeviceConfig& r) { r.setBrightness(1); }},
        {CFG_ITEM_WIFI, [](DeviceConfig& r) { r.setWifiSsid("x"); }},
        {CFG_ITEM_OSD, [](DeviceConfig& r) { r.setDateShown(1); }},
        {CFG_ITEM_MOTION, [](DeviceConfig& r) { r.setMotionSwitch(1); }},
        {CFG_ITEM_COMPRESSION, [](DeviceConfig& r) { r.setStreamVideoEncoding(0, 10); }},
        {CFG_ITEM_COMPRESSION, [](DeviceConfig& r) { r.setStreamBitrateType(0, 1); }},
    };
    for (const auto& [item, edit] : missing) {
        SCOPED_TRACE(item);
        auto changed = std::make_unique<DeviceConfig>(*record);
        edit(*changed);
        EXPECT_FALSE(RPROV_SetConfig_To_Dev(handle, item, 1, changed->block(item).data(), message));
        EXPECT_EQ(RPROV_GetLastError(), RPROV_ERR_UNSUPPORTED);
        EXPECT_EQ(message, kNotSupported);
    }
    EXPECT_EQ(lab.state("F-BARE"), bare0);
    WifiScanList list;
    std::string text;
    EXPECT_FALSE(RPROV_GetWifi(handle, text, list));
    EXPECT_EQ(RPROV_GetLastError(), RPROV_ERR_UNSUPPORTED);
    RPROV_Logout_Dev(handle);
}

// A camera guarding its services with HTTP Digest: the driver answers the challenge on every
// call (its clock read needs none), writes, and a wrong password is refused as such.
TEST(OnvifDriverDigest, ACameraThatAsksForHttpDigestIsReadAndWritten) {
    lab::onvif::OnvifSetup digest = OnvifCamera("D-OK");
    digest.faults.httpDigest = true;
    digest.faults.skewSeconds = -7200;
    lab::onvif::OnvifSetup wrong = OnvifCamera("D-PW");
    wrong.faults.httpDigest = true;
    wrong.faults.wrongPassword = true;
    OnvifLab lab({digest, wrong});

    int32_t handle = -1;
    LoginDeviceInfo info;
    ASSERT_TRUE(LoginCamera(lab.record("D-OK"), handle, info)) << RPROV_GetLastError();
    EXPECT_EQ(info.serialNumber(), "D-OK");
    auto record = std::make_unique<DeviceConfig>();
    ASSERT_TRUE(RPROV_GetConfig(handle, "D-OK", 1, *record));
    EXPECT_EQ(record->contrast(), lab.state("D-OK").channels[0].imaging.contrast);
    CameraState expected = lab.state("D-OK");
    record->setContrast(3);
    std::string message;
    EXPECT_TRUE(RPROV_SetConfig_To_Dev(handle, CFG_ITEM_COLOR, 1,
                                       record->block(CFG_ITEM_COLOR).data(), message))
        << message;
    expected.channels[0].imaging.contrast = 3;
    EXPECT_EQ(lab.state("D-OK"), expected);
    EXPECT_EQ(lab.camera("D-OK").counters().failedLogins, 0);
    RPROV_Logout_Dev(handle);

    EXPECT_FALSE(LoginCamera(lab.record("D-PW"), handle, info));
    EXPECT_EQ(RPROV_GetLastError(), RPROV_ERR_AUTH);
    EXPECT_EQ(lab.camera("D-PW").counters().failedLogins, 1) << "one wrong attempt, no lock-out";
}

TEST(OnvifDriverWifi, TheScanListsTheCamerasNetworks) {
    lab::onvif::OnvifSetup setup = OnvifCamera("W1");
    setup.wifiNetworks = 23;
    OnvifLab lab({setup});
    int32_t handle = -1;
    LoginDeviceInfo info;
    ASSERT_TRUE(LoginCamera(lab.record("W1"), handle, info));
    WifiScanList list;
    std::string text;
    ASSERT_TRUE(RPROV_GetWifi(handle, text, list));
    EXPECT_EQ(list.count(), 23);
    EXPECT_EQ(list.networkName(0), "Lab-WiFi-1");
    EXPECT_EQ(list.networkName(19), "Lab-WiFi-20");
    RPROV_Logout_Dev(handle);
}

}  // namespace
}  // namespace orvex::testing
