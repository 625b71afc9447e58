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

// Members of an issued configuration, as bit numbers of IssuedConfig::present. A section the
// page sends may hold only some of its members; the others keep each target's own value.
enum IssuedField : uint32_t {
    FIELD_PROOF_MODE,
    FIELD_SERVER_ADDRESS,
    FIELD_SSID,
    FIELD_ENCRYPT_TYPE,
    FIELD_VERIFY_METHOD,
    FIELD_PASSWORD,
    FIELD_REMIND_SWITCH,
    FIELD_DETECT_MODE,
    FIELD_SENSITIVITY_LEVEL,
    FIELD_REMIND_VOICE,
    FIELD_AUDIO_COMPRESSION_TYPE,  // both streams' audio encoding
    FIELD_AUDIO_INPUT_MODE,
    FIELD_INPUT_VOLUME,
    FIELD_OUTPUT_VOLUME,
    FIELD_WIDE_DYNAMIC_RANGE,
    FIELD_BRIGHTNESS,
    FIELD_CONTRAST,
    FIELD_SATURATION,
    FIELD_HUE,
    FIELD_SHOW_LOGO,
    FIELD_SHOW_NAME,
    FIELD_SHOW_DATE,
    FIELD_SHOW_WEEK,
    FIELD_DATE_FORMAT,
    FIELD_DISPLAY_STATE,
    FIELD_TIME_FORMAT,
    FIELD_STREAM_0 = 32,  // stream s's StreamField f is bit FIELD_STREAM_0 + s * kStreamFields + f
};

// The members of one stream, in the order of StreamField bits.
enum StreamField : uint32_t {
    STREAM_TYPE,
    STREAM_KEY_FRAME_INTERVAL,
    STREAM_MAX_FRAME_RATE,
    STREAM_PIC_QUALITY,
    STREAM_VBR_UPPER_CAP,
    STREAM_VIDEO_FLOW_TYPE,
    STREAM_BITRATE_TYPE,
    STREAM_FRAME_TYPE,
    STREAM_VIDEO_CODEC_TYPE,
    STREAM_VIDEO_RESOLUTION,
    kStreamFields
};

constexpr uint32_t StreamFieldBit(int stream, StreamField field) {
    return FIELD_STREAM_0 + static_cast<uint32_t>(stream) * kStreamFields + field;
}

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
// false flags, mask 0 and every member present.
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
    // The IssuedField bits of the members the last request contained. A configuration built in
    // code holds every member; a parsed one only those the page sent.
    uint64_t present = ~uint64_t{0};

    bool has(uint32_t field) const { return ((present >> field) & 1) != 0; }

    bool operator==(const IssuedConfig&) const = default;
};

// Reads the page's configuration request into `config`. The mask and `present` are cleared
// first; `present` then names the members the request holds (a member that is null counts as
// absent). Fields the request does not mention keep their earlier values but are not issued: a
// target keeps its own value for them. A text that is not JSON changes nothing
// else. A JSON conversion error stops the reading where it happened (what was read stays) and
// writes "H5 setIssuedConfig param err: ", the request and "\n" to the debug output.
// Pure apart from that debug output; any thread.
void ParseIssuedConfig(const std::string& request, IssuedConfig& config);

}  // namespace orvex
