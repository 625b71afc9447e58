// The ONVIF driver's mapping between an ONVIF camera's channel and the device records
// (platform/onvif/MAPPING.md is the table): the record and the ranges a channel reads as, and
// the ONVIF changes an item block asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/onvif/onvif_device.h"
#include "platform/onvif/onvif_imaging.h"
#include "platform/onvif/onvif_media.h"
#include "platform/rprov/rprov_onvif_channel.h"
#include "platform/rprov/rprov_records.h"

namespace orvex::rprov {

// The values of fields with no ONVIF counterpart, as every ONVIF channel reports them.
inline constexpr uint8_t kOnvifAudioInputMode = 0;  // microphone
inline constexpr uint8_t kOnvifVolume = 50;         // input and output volume
inline constexpr int32_t kOnvifHue = 50;
inline constexpr int32_t kOnvifColourWithoutImaging = 50;
inline constexpr uint8_t kOnvifUnknownCode = 0xFF;  // an encoding with no library code

// Codes of the record for ONVIF words and back. Pure; any thread.
uint8_t VideoCodeOfEncoding(const std::string& encoding);
std::string EncodingOfVideoCode(uint8_t code);
uint8_t AudioCodeOfEncoding(const std::string& encoding);
int32_t DateFormatCodeOf(const std::string& format);  // -1 for a format with no code
std::string DateFormatOfCode(int32_t code);           // "" for a code with no format
uint8_t TimeFormatCodeOf(const std::string& format);  // 1 = 12-hour, 0 = 24-hour

// The record a channel reads as: every mapped field from `channel`, every other field its
// fixed value. Pure; any thread.
void FillRecord(const OnvifChannel& channel, DeviceConfig& record);
// The ranges a channel reads as. Pure; any thread.
ConfigRange MakeRange(const OnvifChannel& channel, const std::string& serial);

// What one item block asks of the camera, against the record the channel reads as.
struct ItemPlan {
    // Set when the block changes a field with no counterpart on this camera (nothing is sent).
    bool unsupported = false;
    std::string refusal;  // set when a value cannot be expressed (nothing is sent)
    std::optional<std::string> ntpAddress;
    std::optional<onvif::Dot11Change> wifi;
    std::optional<bool> motionOn;
    std::optional<int> motionSensitivity;
    onvif::EncoderChange encoders[2];
    std::optional<onvif::AudioChange> audio;
    onvif::ImagingChange imaging;
    onvif::OsdChange dateOsd;
    onvif::OsdChange nameOsd;
    bool changesNothing() const;
};

// Compares `block` (the item's bytes) with the record `channel` reads as and says what to send.
// Pure; any thread.
ItemPlan PlanItem(int32_t item, const OnvifChannel& channel, std::span<const uint8_t> block);

// The nearest bitrate code to `kbps` (the lower code on a tie). Pure; any thread.
int32_t NearestBitrateCode(int32_t kbps);

}  // namespace orvex::rprov
