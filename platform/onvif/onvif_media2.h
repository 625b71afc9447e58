// The ONVIF media service ver20 as the driver uses it: the video encoder configurations with
// what ver10 cannot say (H.265, constant bitrate) and their options.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <vector>

#include "platform/onvif/onvif_media.h"

namespace orvex::onvif {

// Pure readers of answers (the fuzzer feeds them); any thread.
VideoEncoder ParseEncoder20(pugi::xml_node configuration);
// The options of every encoding merged: encodings, resolutions, rates and ranges.
EncoderOptions ParseEncoderOptions20(pugi::xml_node answer);

// The calls on the Media2 service at `path`. Any thread.
bool GetEncoder2(SoapClient& c, const std::string& path, const std::string& token,
                 VideoEncoder& encoder, Reply& reply);
bool GetEncoderOptions2(SoapClient& c, const std::string& path, const std::string& token,
                        EncoderOptions& options, Reply& reply);
// Reads the configuration, applies `change` and sends it back (Media2 sets always persist).
bool SetEncoder2(SoapClient& c, const std::string& path, const std::string& token,
                 const EncoderChange& change, Reply& reply);

}  // namespace orvex::onvif
