// The ONVIF media service (ver10) as the driver uses it: video sources, profiles, video and
// audio encoder configurations with their options, and the OSDs.
#pragma once

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/onvif/onvif_soap.h"

namespace orvex::onvif {

struct VideoEncoder {
    std::string token;
    std::string encoding;  // "H264", "H265" (Media2 only), "JPEG", "MPEG4"
    int width = 0;
    int height = 0;
    int quality = 0;
    int frameRate = 0;
    int bitrate = 0;  // kbit/s
    int govLength = 0;
    std::optional<bool> constantBitRate;  // only Media2 tells
    bool operator==(const VideoEncoder&) const = default;
};

// A profile: which video source it shows and its configurations' tokens.
struct Profile {
    std::string token;
    std::string sourceToken;        // the video source
    std::string sourceConfigToken;  // the video source configuration (the OSDs hang on it)
    VideoEncoder encoder;           // empty token when the profile has none
    std::string audioEncoderToken;
    std::string analyticsToken;  // the video analytics configuration
};

struct AudioEncoder {
    std::string token;
    std::string encoding;  // as the camera names it ("G711", "PCMU", "AAC", ...)
    int bitrate = 0;
    int sampleRate = 0;
};

// The choices of one stream's encoder.
struct EncoderOptions {
    std::vector<std::string> encodings;
    std::vector<std::pair<int, int>> resolutions;
    std::vector<int> frameRates;  // ascending
    int govMin = 0, govMax = 0;
    int bitrateMin = 0, bitrateMax = 0;  // kbit/s; 0 when the camera does not say
    int qualityMin = 0, qualityMax = 0;
    bool constantBitRate = false;
};

struct AudioOption {
    std::string encoding;
    std::vector<int> bitrates;
    std::vector<int> sampleRates;
};

struct Osd {
    std::string token;
    std::string sourceConfigToken;
    std::string textType;  // "Plain", "Date", "Time", "DateAndTime"
    std::string dateFormat;
    std::string timeFormat;
    std::string plainText;
};

struct OsdOptions {
    std::vector<std::string> dateFormats;
    std::vector<std::string> timeFormats;
};

// What to change in an encoder configuration; everything else is sent back as read.
struct EncoderChange {
    std::optional<std::string> encoding;
    std::optional<std::pair<int, int>> resolution;
    std::optional<int> quality, frameRate, bitrate, govLength;
    std::optional<bool> constantBitRate;
    bool empty() const {
        return !encoding && !resolution && !quality && !frameRate && !bitrate && !govLength &&
               !constantBitRate;
    }
};

struct AudioChange {
    std::string encoding;
    int bitrate = 0;
    int sampleRate = 0;
};

struct OsdChange {
    std::optional<std::string> textType, dateFormat, timeFormat, plainText;
};

// Pure readers of answers (the fuzzer feeds them); any thread.
std::vector<std::string> ParseVideoSources(pugi::xml_node answer);
std::vector<Profile> ParseProfiles(pugi::xml_node answer);
VideoEncoder ParseEncoder10(pugi::xml_node configuration);
EncoderOptions ParseEncoderOptions10(pugi::xml_node answer);
std::vector<AudioOption> ParseAudioOptions(pugi::xml_node answer);  // ver10 and ver20
AudioEncoder ParseAudioEncoder(pugi::xml_node configuration);
std::vector<Osd> ParseOsds(pugi::xml_node answer);  // ver10 and ver20
OsdOptions ParseOsdOptions(pugi::xml_node answer);

// Writes the parts of `change` both media versions write alike (encoding, resolution, quality,
// frame rate and bitrate limits) into an encoder configuration being sent back. Any thread.
void ApplyEncoderChange(pugi::xml_node configuration, const EncoderChange& change);

// The calls, on the service at `path` (ver10): true with the result filled, or false with
// `reply` saying why. Sets read the configuration first and send it back with only the change
// applied, with ForcePersistence where the operation has it. Any thread.
bool GetVideoSources(SoapClient& c, const std::string& path, std::vector<std::string>& sources,
                     Reply& reply);
bool GetProfiles(SoapClient& c, const std::string& path, std::vector<Profile>& profiles,
                 Reply& reply);
bool GetEncoderOptions(SoapClient& c, const std::string& path, const Profile& profile,
                       EncoderOptions& options, Reply& reply);
bool SetEncoder(SoapClient& c, const std::string& path, const std::string& token,
                const EncoderChange& change, Reply& reply);
bool GetAudioEncoder(SoapClient& c, const std::string& path, const std::string& token,
                     AudioEncoder& encoder, Reply& reply);
bool GetAudioOptions(SoapClient& c, const std::string& path, const std::string& token,
                     std::vector<AudioOption>& options, Reply& reply);
bool SetAudioEncoder(SoapClient& c, const std::string& path, const std::string& token,
                     const AudioChange& change, Reply& reply);
bool GetOsds(SoapClient& c, const std::string& path, const std::string& sourceConfigToken,
             std::vector<Osd>& osds, Reply& reply);
bool GetOsdOptions(SoapClient& c, const std::string& path, const std::string& sourceConfigToken,
                   OsdOptions& options, Reply& reply);
bool SetOsd(SoapClient& c, const std::string& path, const std::string& token,
            const OsdChange& change, Reply& reply);

}  // namespace orvex::onvif
