#include "devcfg/issued_config.h"

#include <json/json.h>

#include <climits>
#include <cstdint>

#include "devcfg/code_tables.h"
#include "platform/win32/debug_output.h"
#include "support/json_text.h"

namespace orvex {

namespace {

bool Mentions(const std::string& text, const char* key) {
    return text.find(key) != std::string::npos;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The leading decimal integer of a text: optional white space, an optional sign, then digits
// up to the first non-digit; 0 without digits. Values beyond int32 saturate.
int32_t LeadingInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) {
            value = static_cast<int64_t>(INT32_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

// Records that `object` holds member `name` (not null): the member is issued.
void Mark(const Json::Value& object, const char* name, uint32_t field, IssuedConfig& c) {
    if (object.isObject() && object.isMember(name) && !object[name].isNull()) {
        c.present |= uint64_t{1} << field;
    }
}

// "frameType" is a number, or a text that begins with one.
int32_t ReadFrameType(const Json::Value& v) {
    return v.isString() ? LeadingInteger(v.asString()) : v.asInt();
}

void ReadGeneral(const Json::Value& general, IssuedConfig& c) {
    const Json::Value& time = general["timeProofreading"];
    c.proofMode = time["proofMode"].asString();
    c.serverAddress = time["serverAddress"].asString();
    Mark(time, "proofMode", FIELD_PROOF_MODE, c);
    Mark(time, "serverAddress", FIELD_SERVER_ADDRESS, c);
    const Json::Value& wifi = general["wiFiConfig"];
    if (wifi.isObject()) {
        c.encryptType = wifi["encryptType"].asString();
        c.password = wifi["password"].asString();
        c.ssid = wifi["ssid"].asString();
        c.verifyMethod = wifi["verifyMethod"].asString();
        Mark(wifi, "encryptType", FIELD_ENCRYPT_TYPE, c);
        Mark(wifi, "password", FIELD_PASSWORD, c);
        Mark(wifi, "ssid", FIELD_SSID, c);
        Mark(wifi, "verifyMethod", FIELD_VERIFY_METHOD, c);
        // A network sent with a name and a password but no words is taken as WPA2-PSK with AES.
        if (!c.password.empty() && !c.ssid.empty() && c.has(FIELD_PASSWORD) && c.has(FIELD_SSID)) {
            if (c.encryptType.empty()) {
                c.encryptType = "AES";
                c.present |= uint64_t{1} << FIELD_ENCRYPT_TYPE;
            }
            if (c.verifyMethod.empty()) {
                c.verifyMethod = "WPA2-PSK";
                c.present |= uint64_t{1} << FIELD_VERIFY_METHOD;
            }
        }
        c.sectionMask |= ISSUED_SECTION_WIFI;
    }
    c.sectionMask |= ISSUED_SECTION_GENERAL;
}

void ReadDefence(const Json::Value& defence, IssuedConfig& c) {
    const Json::Value& motion = defence["motionDetectDefence"];
    c.remindSwitch = motion["remindSwitch"].asBool();
    c.detectMode = motion["detectMode"].asInt();
    c.sensitivityLevel = motion["sensitivityLevel"].asInt();
    c.remindVoice = motion["remindVoice"].asInt();
    Mark(motion, "remindSwitch", FIELD_REMIND_SWITCH, c);
    Mark(motion, "detectMode", FIELD_DETECT_MODE, c);
    Mark(motion, "sensitivityLevel", FIELD_SENSITIVITY_LEVEL, c);
    Mark(motion, "remindVoice", FIELD_REMIND_VOICE, c);
    c.sectionMask |= ISSUED_SECTION_DEFENCE;
}

void ReadStream(const Json::Value& vc, int stream, IssuedConfig& c) {
    StreamSettings& s = c.streams[stream];
    s.streamType = vc["streamType"].asInt();
    s.keyFrameInterval = vc["keyFrameInterval"].asInt();
    s.maxFrameRate = vc["maxFrameRate"].asInt();
    s.picQuality = vc["picQuality"].asInt();
    s.vbrUpperCap = kbpsToBitrateCode(vc["vbrUpperCap"].asInt());
    s.videoFlowType = vc["videoFlowType"].asInt();
    s.bitrateType = vc["bitrateType"].asString();
    s.frameType = ReadFrameType(vc["frameType"]);
    s.videoCodecType = vc["videoCodecType"].asString();
    s.videoResolution = vc["videoResolution"].asInt();
    static constexpr const char* kNames[kStreamFields] = {
        "streamType",    "keyFrameInterval", "maxFrameRate", "picQuality",     "vbrUpperCap",
        "videoFlowType", "bitrateType",      "frameType",    "videoCodecType", "videoResolution"};
    for (uint32_t f = 0; f < kStreamFields; ++f) {
        Mark(vc, kNames[f], StreamFieldBit(stream, static_cast<StreamField>(f)), c);
    }
}

void ReadAudioVideo(const Json::Value& av, IssuedConfig& c) {
    for (Json::ArrayIndex s = 0; s < 2; ++s) {
        const Json::Value& vc = av["videoConfig"][s];
        if (vc.isObject()) {
            ReadStream(vc, static_cast<int>(s), c);
        }
        // Read once per stream, so both streams carry the same audio word.
        const Json::Value& audio = av["audioConfig"];
        c.streams[s].audioCompressionType = audio["audioCompressionType"].asString();
        c.inputVolume = audio["inputVolume"].asInt();
        c.outputVolume = audio["outputVolume"].asInt();
        c.audioInputMode = audio["audioInputMode"].asString();
        Mark(audio, "audioCompressionType", FIELD_AUDIO_COMPRESSION_TYPE, c);
        Mark(audio, "inputVolume", FIELD_INPUT_VOLUME, c);
        Mark(audio, "outputVolume", FIELD_OUTPUT_VOLUME, c);
        Mark(audio, "audioInputMode", FIELD_AUDIO_INPUT_MODE, c);
    }
    c.sectionMask |= ISSUED_SECTION_AUDIO_VIDEO;
}

void ReadImage(const std::string& text, const Json::Value& img, IssuedConfig& c) {
    if (Mentions(text, "audioAndVideoConfig")) {
        ReadAudioVideo(img["audioAndVideoConfig"], c);
    }
    if (Mentions(text, "imageBacklight")) {
        c.wideDynamicRangeSwitch = img["imageBacklight"]["wideDynamicRangeSwitch"].asBool();
        Mark(img["imageBacklight"], "wideDynamicRangeSwitch", FIELD_WIDE_DYNAMIC_RANGE, c);
        c.sectionMask |= ISSUED_SECTION_BACKLIGHT;
    }
    if (Mentions(text, "imageColor")) {
        const Json::Value& colour = img["imageColor"];
        c.brightnessLevel = colour["brightnessLevel"].asInt();
        c.contrastLevel = colour["contrastLevel"].asInt();
        c.saturationLevel = colour["saturationLevel"].asInt();
        c.hue = colour["hue"].asInt();
        Mark(colour, "brightnessLevel", FIELD_BRIGHTNESS, c);
        Mark(colour, "contrastLevel", FIELD_CONTRAST, c);
        Mark(colour, "saturationLevel", FIELD_SATURATION, c);
        Mark(colour, "hue", FIELD_HUE, c);
        c.sectionMask |= ISSUED_SECTION_COLOR;
    }
    if (Mentions(text, "imageDisplay")) {
        const Json::Value& display = img["imageDisplay"];
        c.showOrvexLogo = display["showOrvexLogo"].asBool();
        c.showName = display["showName"].asBool();
        c.showDate = display["showDate"].asBool();
        c.showWeek = display["showWeek"].asBool();
        c.dateFormat = display["dateFormat"].asString();
        c.displayState = display["displayState"].asInt();
        c.timeFormat = display["timeFormat"].asInt();
        Mark(display, "showOrvexLogo", FIELD_SHOW_LOGO, c);
        Mark(display, "showName", FIELD_SHOW_NAME, c);
        Mark(display, "showDate", FIELD_SHOW_DATE, c);
        Mark(display, "showWeek", FIELD_SHOW_WEEK, c);
        Mark(display, "dateFormat", FIELD_DATE_FORMAT, c);
        Mark(display, "displayState", FIELD_DISPLAY_STATE, c);
        Mark(display, "timeFormat", FIELD_TIME_FORMAT, c);
        c.sectionMask |= ISSUED_SECTION_DISPLAY;
    }
}

}  // namespace

void ParseIssuedConfig(const std::string& request, IssuedConfig& config) {
    config.sectionMask = 0;
    config.present = 0;
    Json::Value parsed;
    if (!ParseJson(request, parsed)) {
        return;
    }
    // Read through a const reference only: a lookup must never add members.
    const Json::Value& root = parsed;
    try {
        const Json::Value& items = root["configItems"];
        // Presence is the raw text mentioning the section's key, and for the general, defence
        // and image sections also the member being an object.
        if (Mentions(request, "generalConfig") && items["generalConfig"].isObject()) {
            ReadGeneral(items["generalConfig"], config);
        }
        if (Mentions(request, "defenceConfig") && items["defenceConfig"].isObject()) {
            ReadDefence(items["defenceConfig"], config);
        }
        if (Mentions(request, "imageConfig") && items["imageConfig"].isObject()) {
            ReadImage(request, items["imageConfig"], config);
        }
    } catch (const Json::Exception&) {
        OutputDebugStringA("H5 setIssuedConfig param err: ");
        OutputDebugStringA(request.c_str());
        OutputDebugStringA("\n");
    }
}

}  // namespace orvex
