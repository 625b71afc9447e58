// IssuedConfig: the configuration the page asked to issue, as read from its JSON, with the mask
// of the sections that request contained.
#pragma once

#include <cstdint>
#include <string>

namespace orvex {

// Section bits of IssuedConfig::sectionMask. Bit 0x01 is never used.
enum IssuedSection : uint32_t {
    ISSUED_SECTION_GENERAL = 0x02,      // "generalConfig": the time item
    ISSUED_SECTION_DEFENCE = 0x04,      // "defenceConfig": the motion and alarm sound items
    ISSUED_SECTION_AUDIO_VIDEO = 0x08,  // "audioAndVideoConfig": compression, audio in and out
    ISSUED_SECTION_BACKLIGHT = 0x10,    // "imageBacklight": the wide dynamic range item
    ISSUED_SECTION_COLOR = 0x20,        // "imageColor": the colour item
    ISSUED_SECTION_DISPLAY = 0x40,      // "imageDisplay": the logo and on-screen display items
    ISSUED_SECTION_WIFI = 0x80,         // "wiFiConfig" inside "generalConfig": the Wi-Fi item
};

// One stream's settings as the page sent them. Words are kept as sent; only the bitrate cap is
// already a library code.
struct StreamSettings {
    std::string bitrateType;           // "VBR" or anything else (constant)
    std::string videoCodecType;        // a video encoding word
    std::string audioCompressionType;  // an audio encoding word
    int32_t frameType = 0;
    int32_t streamType = 0;
    int32_t videoFlowType = 0;
    int32_t vbrUpperCap = 0;  // bitrate code, converted from kbit/s when read
    int32_t picQuality = 0;
    int32_t maxFrameRate = 0;
    int32_t keyFrameInterval = 0;
    int32_t videoResolution = 0;  // resolution index of the ranges
    bool operator==(const StreamSettings&) const = default;
};

// Texts are UTF-8 bytes as the page sent them. A default value has empty texts, zero numbers,
// false flags and mask 0.
struct IssuedConfig {
    // general
    std::string proofMode;
    std::string serverAddress;
    // Wi-Fi
    std::string ssid;
    std::string encryptType;
    std::string verifyMethod;
    std::string password;
    // defence
    bool remindSwitch = false;
    int32_t detectMode = 0;
    int32_t sensitivityLevel = 0;
    int32_t remindVoice = 0;
    // streams: 0 = main, 1 = sub
    StreamSettings streams[2];
    // audio
    std::string audioInputMode;
    int32_t inputVolume = 0;
    int32_t outputVolume = 0;
    // image
    bool wideDynamicRangeSwitch = false;
    int32_t brightnessLevel = 0;
    int32_t contrastLevel = 0;
    int32_t saturationLevel = 0;
    int32_t hue = 0;
    // display
    std::string dateFormat;
    int32_t timeFormat = 0;
    int32_t displayState = 0;
    bool showName = false;
    bool showOrvexLogo = false;
    bool showWeek = false;
    bool showDate = false;
    // control: the IssuedSection bits of the sections the last request contained
    uint32_t sectionMask = 0;

    bool operator==(const IssuedConfig&) const = default;
};

// Reads the page's configuration request into `config`. The mask is cleared first; fields the
// request does not mention keep their earlier values. A text that is not JSON changes nothing
// else. A JSON conversion error stops the reading where it happened (what was read stays) and
// writes "H5 setIssuedConfig param err: ", the request and "\n" to the debug output.
// Pure apart from that debug output; any thread.
void ParseIssuedConfig(const std::string& request, IssuedConfig& config);

}  // namespace orvex
