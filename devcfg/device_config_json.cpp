#include "devcfg/device_config_json.h"

#include "devcfg/code_tables.h"
#include "platform/win32/debug_output.h"
#include "support/json_text.h"

namespace orvex {

namespace {

Json::Value Int(int32_t v) {
    return Json::Value(v);
}

Json::Value GeneralConfig(const DeviceConfig& r) {
    Json::Value time;
    time["proofMode"] = "auto";
    time["serverAddress"] = r.timeServerAddress();

    Json::Value wifi;
    wifi["ssid"] = r.wifiSsid();
    wifi["password"] = "";
    const int32_t security = r.wifiSecurity();
    if (const char* verify = WifiSecurityWord(security)) {
        if (const char* cipher = WifiCipherWord(r.wifiCipher())) {
            wifi["encryptType"] = cipher;
        }
        wifi["verifyMethod"] = verify;
        switch (r.wifiKeySelector()) {
            case 0:
                wifi["password"] = r.wifiKey();
                break;
            case 1:
                wifi["password"] = r.wifiAlternateKey();
                break;
            default:
                break;
        }
    }

    Json::Value general;
    general["timeProofreading"] = time;
    general["wiFiConfig"] = wifi;
    return general;
}

Json::Value DefenceConfig(const DeviceConfig& r) {
    Json::Value motion;
    motion["remindSwitch"] = r.motionSwitch() == 1;
    motion["detectMode"] = Int(r.motionMode());
    motion["sensitivityLevel"] = PageSensitivityLevel(r);
    motion["remindVoice"] = r.alarmSound();
    Json::Value defence;
    defence["motionDetectDefence"] = motion;
    return defence;
}

Json::Value StreamConfig(const DeviceConfig& r, int s) {
    Json::Value v;
    v["streamType"] = r.streamType(s);
    v["videoFlowType"] = Int(r.streamFlowType(s));
    v["bitrateType"] = BitrateTypeWord(r.streamBitrateType(s));
    const int32_t kbps = bitrateCodeToKbps(r.streamBitrateCode(s));
    v["vbrUpperCap"] = kbps;
    v["constantBitRate"] = kbps;
    v["picQuality"] = Int(r.streamPicQuality(s));
    v["videoResolution"] = Int(r.streamResolution(s));
    v["maxFrameRate"] = r.streamFrameRate(s);
    v["keyFrameInterval"] = Int(r.streamIFrameInterval(s));
    v["frameType"] = Int(r.streamFrameType(s));
    if (const char* word = VideoEncodingWord(r.streamVideoEncoding(s))) {
        v["videoCodecType"] = word;
    } else {
        OutputDebugStringA("invalid videoEnc type.\n");
    }
    return v;
}

Json::Value AudioVideoConfig(const DeviceConfig& r) {
    Json::Value video(Json::arrayValue);
    video.append(StreamConfig(r, 0));
    video.append(StreamConfig(r, 1));

    Json::Value audio;
    if (const char* word = AudioEncodingWord(r.streamAudioEncoding(0))) {
        audio["audioCompressionType"] = word;
    } else {
        OutputDebugStringA("invalid audio enc type.\n");
    }
    if (const char* word = AudioInputWord(r.audioInputMode())) {
        audio["audioInputMode"] = word;
    }
    audio["inputVolume"] = Int(r.audioInputVolume());
    audio["outputVolume"] = Int(r.audioOutputVolume());

    Json::Value av;
    av["videoConfig"] = video;
    av["audioConfig"] = audio;
    return av;
}

Json::Value ImageConfig(const DeviceConfig& r) {
    // A switch value other than 0 or 1 leaves the backlight object null.
    Json::Value backlight;
    switch (r.wideDynamicRange(0)) {
        case 0:
            backlight["wideDynamicRangeSwitch"] = false;
            break;
        case 1:
            backlight["wideDynamicRangeSwitch"] = true;
            break;
        default:
            break;
    }

    Json::Value colour;
    colour["brightnessLevel"] = r.brightness();
    colour["contrastLevel"] = r.contrast();
    colour["saturationLevel"] = r.saturation();
    colour["hue"] = r.hue();

    Json::Value display;
    display["showOrvexLogo"] = r.logoShown() == 1;
    display["showName"] = r.channelNameShown() == 1;
    display["showDate"] = r.dateShown() == 1;
    display["showWeek"] = r.weekShown() != 0;
    if (const char* word = DateFormatWord(r.dateFormat())) {
        display["dateFormat"] = word;
    }
    display["timeFormat"] = Int(r.timeFormat());
    display["displayState"] = Int(r.displayState());

    Json::Value image;
    image["audioAndVideoConfig"] = AudioVideoConfig(r);
    image["imageBacklight"] = backlight;
    image["imageColor"] = colour;
    image["imageDisplay"] = display;
    return image;
}

}  // namespace

int32_t PageSensitivityLevel(const DeviceConfig& r) {
    const int32_t sensitivity = r.motionSensitivity();
    if (r.sensitivityScale() == DeviceConfig::kPercentScale) {
        const int32_t percent = sensitivity * 20;
        // Below 10 is off; 5100 is the byte 0xFF, also off.
        return (percent < 10 || percent == 0xFF * 20) ? 0 : percent;
    }
    if (r.alternateSensitivityFlag() != 0) {
        return r.motionMode() != 0 ? r.motionAlternateSensitivity() : sensitivity;
    }
    return sensitivity == 0xFF ? 0 : sensitivity + 1;
}

std::string DeviceConfigToPageJson(const DeviceConfig& record, Json::Value& json) {
    try {
        Json::Value items;
        items["generalConfig"] = GeneralConfig(record);
        items["defenceConfig"] = DefenceConfig(record);
        items["imageConfig"] = ImageConfig(record);
        std::string text = WriteFlatJson(items);
        json["configItems"] = std::move(items);
        return text;
    } catch (const Json::Exception&) {
        OutputDebugStringA("create dev config info err.\n");
        return {};
    }
}

}  // namespace orvex
