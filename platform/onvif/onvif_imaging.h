// The ONVIF imaging service (ver20) as the driver uses it: brightness, contrast, colour
// saturation, sharpness and wide dynamic range of a video source, and their ranges.
#pragma once

#include <pugixml.hpp>

#include <optional>
#include <string>

#include "platform/onvif/onvif_soap.h"

namespace orvex::onvif {

struct ImagingSettings {
    std::optional<int> brightness, contrast, saturation, sharpness;
    std::optional<bool> wdr;  // WideDynamicRange Mode ON/OFF
};

struct Range {
    int min = 0;
    int max = 0;
    bool present = false;
};

struct ImagingOptions {
    Range brightness, contrast, saturation, sharpness;
    bool wdrSwitch = false;  // both ON and OFF are offered
};

struct ImagingChange {
    std::optional<int> brightness, contrast, saturation;
    std::optional<bool> wdr;
};

// Pure readers of answers (the fuzzer feeds them); any thread.
ImagingSettings ParseImagingSettings(pugi::xml_node answer);
ImagingOptions ParseImagingOptions(pugi::xml_node answer);

// The calls on the imaging service at `path`. Any thread.
bool GetImaging(SoapClient& c, const std::string& path, const std::string& sourceToken,
                ImagingSettings& settings, Reply& reply);
bool GetImagingOptions(SoapClient& c, const std::string& path, const std::string& sourceToken,
                       ImagingOptions& options, Reply& reply);
// Reads the settings, applies `change` and sends them back with ForcePersistence.
bool SetImaging(SoapClient& c, const std::string& path, const std::string& sourceToken,
                const ImagingChange& change, Reply& reply);

}  // namespace orvex::onvif
