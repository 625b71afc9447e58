// What a lab ONVIF camera holds (device, network, encoders, OSDs, imaging, motion rule), the
// options each value is checked against, and the state as the JSON its file keeps.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex::lab::onvif {

struct NtpServer {
    std::string type;  // "IPv4" or "DNS"
    std::string address;
    bool operator==(const NtpServer&) const = default;
};

struct Dot11Settings {
    std::string ssid;                     // the bytes of the SSID (hexBinary on the wire)
    std::string mode = "Infrastructure";  // or "Ad-hoc"
    std::string alias = "wlan0";
    int priority = 0;
    std::string securityMode = "PSK";  // "None" or "PSK"
    std::string algorithm = "CCMP";    // "CCMP", "TKIP" or "Any"
    std::string passphrase;
    bool operator==(const Dot11Settings&) const = default;
};

struct VideoEncoder {
    std::string token;
    std::string name;
    std::string encoding = "H264";  // "H264", "H265" or "JPEG"
    int width = 1920;
    int height = 1080;
    int quality = 60;
    int frameRate = 25;
    int encodingInterval = 1;
    int bitrate = 4096;  // kbit/s
    int govLength = 50;
    std::string profile = "Main";  // H.264 "Baseline", "Main", "High"; H.265 "Main"
    bool constantBitRate = false;
    bool operator==(const VideoEncoder&) const = default;
};

struct AudioEncoder {
    std::string token;
    std::string encoding = "G711";  // "G711", "G726" or "AAC"
    int bitrate = 64;               // kbit/s
    int sampleRate = 8;             // kHz
    bool operator==(const AudioEncoder&) const = default;
};

struct Osd {
    std::string token;
    std::string textType;  // "DateAndTime", "Date", "Time" or "Plain"
    std::string dateFormat;
    std::string timeFormat;
    std::string plainText;
    std::string position = "UpperLeft";  // or UpperRight, LowerLeft, LowerRight
    bool operator==(const Osd&) const = default;
};

struct Imaging {
    int brightness = 50;
    int contrast = 50;
    int saturation = 50;
    int sharpness = 50;
    bool wdr = false;
    int wdrLevel = 50;
    bool operator==(const Imaging&) const = default;
};

struct Motion {
    bool enabled = true;  // the cell motion detector rule exists
    int sensitivity = 60;
    bool operator==(const Motion&) const = default;
};

// One video source (a channel) with its two streams.
struct Channel {
    int number = 1;
    VideoEncoder main;
    VideoEncoder sub;
    AudioEncoder audio;
    Osd dateOsd;
    Osd nameOsd;
    Imaging imaging;
    Motion motion;
    bool operator==(const Channel&) const = default;
};

struct CameraState {
    bool ntpFromDhcp = false;
    std::vector<NtpServer> ntp;
    bool wifiEnabled = true;
    Dot11Settings wifi;
    std::vector<Channel> channels;
    bool operator==(const CameraState&) const = default;
};

// The options of a stream: main (index 0) or sub (1).
struct StreamOptions {
    std::vector<std::pair<int, int>> resolutions;
    int frameRateMax;
    int bitrateMin, bitrateMax;
};
const StreamOptions& OptionsOfStream(int stream);
inline constexpr int kQualityMin = 1, kQualityMax = 100;
inline constexpr int kGovMin = 1, kGovMax = 150;
inline constexpr int kOsdTextMax = 32;
inline constexpr size_t kNtpServersMax = 2;
const std::vector<std::string>& DateFormats();
const std::vector<std::string>& TimeFormats();
const std::vector<std::string>& OsdPositions();
// Bitrates (kbit/s) and sample rates (kHz) an audio encoding offers.
struct AudioOptions {
    std::string encoding;
    std::vector<int> bitrates;
    std::vector<int> sampleRates;
};
const std::vector<AudioOptions>& AudioEncodings();

// The checks: nothing when the value is acceptable, otherwise the camera's reason text.
std::optional<std::string> CheckVideoEncoder(const VideoEncoder& e, int stream);
std::optional<std::string> CheckAudioEncoder(const AudioEncoder& e);
std::optional<std::string> CheckOsd(const Osd& osd, bool dateOsd);
std::optional<std::string> CheckImaging(const Imaging& imaging);
std::optional<std::string> CheckNtp(const std::vector<NtpServer>& servers);
std::optional<std::string> CheckDot11(const Dot11Settings& wifi);

// The state a camera starts with: plausible settings made from its serial and channel names.
CameraState DefaultState(const std::string& serial, const std::vector<int>& channels,
                         const std::string& name);

Json::Value StateToJson(const CameraState& state);
// False when `json` is not a state of this shape (a damaged or foreign file).
bool StateFromJson(const Json::Value& json, CameraState& state);

}  // namespace orvex::lab::onvif
