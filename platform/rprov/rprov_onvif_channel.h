// What the ONVIF driver reads of one channel of an ONVIF camera: its two streams with their
// options, NTP, Wi-Fi, audio, imaging, OSDs and cell motion, each absent where the camera
// lacks it. The mapping turns it into the device records.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/onvif/onvif_analytics.h"
#include "platform/onvif/onvif_device.h"
#include "platform/onvif/onvif_imaging.h"
#include "platform/onvif/onvif_media.h"

namespace orvex::rprov {

struct OnvifStream {
    bool present = false;
    onvif::Profile profile;
    onvif::VideoEncoder encoder;  // from Media2 when the camera offers it, else from Media
    onvif::EncoderOptions options;
};

struct OnvifChannel {
    int channelNo = 1;
    std::string name;  // the text a channel name OSD shows when it is turned on
    bool media2 = false;
    OnvifStream streams[2];  // main and sub
    onvif::NtpSettings ntp;
    onvif::Dot11 wifi;
    std::optional<onvif::AudioEncoder> audio;
    std::vector<onvif::AudioOption> audioOptions;
    std::optional<onvif::ImagingSettings> imaging;
    onvif::ImagingOptions imagingOptions;
    bool osd = false;  // the camera has OSDs
    std::optional<onvif::Osd> dateOsd;
    std::optional<onvif::Osd> nameOsd;
    onvif::OsdOptions osdOptions;
    std::optional<onvif::CellMotion> motion;
    std::string analyticsToken;
};

}  // namespace orvex::rprov
