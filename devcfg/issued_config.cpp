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

// "frameType" is a number, or a text that begins with one.
int32_t ReadFrameType(const Json::Value& v) {
    return v.isString() ? LeadingInteger(v.asString()) : v.asInt();
}

void ReadGeneral(const Json::Value& general, IssuedConfig& c) {
    const Json::Value& time = general["timeProofreading"];
    c.proofMode = time["proofMode"].asString();
    c.serverAddress = time["serverAddress"].asString();
    const Json::Value& wifi = general["wiFiConfig"];
    if (wifi.isObject()) {
        c.encryptType = wifi["encryptType"].asString();
        c.password = wifi["password"].asString();
        c.ssid = wifi["ssid"].asString();
        c.verifyMethod = wifi["verifyMethod"].asString();
        // A network with a name and a password but no words is taken as WPA2-PSK with AES.
        if (!c.password.empty() && !c.ssid.empty()) {
            if (c.encryptType.empty()) {
                c.encryptType = "AES";
            }
            if (c.verifyMethod.empty()) {
                c.verifyMethod = "WPA2-PSK";
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
    c.sectionMask |= ISSUED_SECTION_DEFENCE;
}

void ReadStream(const Json::Value& vc, StreamSettings& s) {
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
}

void ReadAudioVideo(const Json::Value& av, IssuedConfig& c) {
    for (Json::ArrayIndex s = 0; s < 2; ++s) {
        const Json::Value& vc = av["videoConfig"][s];
        if (vc.isObject()) {
            ReadStream(vc, c.streams[s]);
        }
        // Read once per stream, so both streams carry the same audio word.
        const Json::Value& audio = av["audioConfig"];
        c.streams[s].audioCompressionType = audio["audioCompressionType"].asString();
        c.inputVolume = audio["inputVolume"].asInt();
        c.outputVolume = audio["outputVolume"].asInt();
        c.audioInputMode = audio["audioInputMode"].asString();
    }
    c.sectionMask |= ISSUED_SECTION_AUDIO_VIDEO;
}

void ReadImage(const std::string& text, const Json::Value& img, IssuedConfig& c) {
    if (Mentions(text, "audioAndVideoConfig")) {
        ReadAudioVideo(img["audioAndVideoConfig"], c);
    }
    if (Mentions(text, "imageBacklight")) {
        c.wideDynamicRangeSwitch = img["imageBacklight"]["wideDynamicRangeSwitch"].asBool();
        c.sectionMask |= ISSUED_SECTION_BACKLIGHT;
    }
    if (Mentions(text, "imageColor")) {
        const Json::Value& colour = img["imageColor"];
        c.brightnessLevel = colour["brightnessLevel"].asInt();
        c.contrastLevel = colour["contrastLevel"].asInt();
        c.saturationLevel = colour["saturationLevel"].asInt();
        c.hue = colour["hue"].asInt();
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
        c.sectionMask |= ISSUED_SECTION_DISPLAY;
    }
}

}  // namespace

void ParseIssuedConfig(const std::string& request, IssuedConfig& config) {
    config.sectionMask = 0;
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
