// Feeds arbitrary bytes to the ONVIF driver's answer readers: the HTTP Digest challenge reader,
// the SOAP envelope and fault reader, then every service's reader over whatever element the
// body holds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/onvif/onvif_analytics.h"
#include "platform/onvif/onvif_device.h"
#include "platform/onvif/onvif_http_digest.h"
#include "platform/onvif/onvif_imaging.h"
#include "platform/onvif/onvif_media.h"
#include "platform/onvif/onvif_media2.h"
#include "platform/onvif/onvif_soap.h"
#include "platform/onvif/onvif_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex::onvif;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto challenge = ParseDigestChallenge(text)) {
        DigestAuthorization(*challenge, "admin", "pw", "POST", "/onvif/device_service", "", 1, "c");
    }
    Reply reply;
    ParseSoapAnswer(text, 200, reply);
    if (!reply.ok()) {
        return 0;
    }
    pugi::xml_node a = reply.answer;
    ServicePaths paths;
    ParseServices(a, paths);
    ParseDeviceInformation(a);
    ParseNtp(a);
    ParseDot11(a);
    ParseNetworks(a);
    CameraUtc(a);
    ParseVideoSources(a);
    ParseProfiles(a);
    ParseEncoderOptions10(a);
    ParseEncoderOptions20(a);
    ParseAudioOptions(a);
    ParseOsds(a);
    ParseOsdOptions(a);
    ParseImagingSettings(a);
    ParseImagingOptions(a);
    ParseMotionRule(a);
    CellMotion motion;
    ParseMotionModule(a, motion);
    for (pugi::xml_node c = a.first_child(); c; c = c.next_sibling()) {
        ParseEncoder10(c);
        ParseEncoder20(c);
        ParseAudioEncoder(c);
    }
    // A camera's element copied into a request must survive any shape.
    pugi::xml_document request;
    CopyElement(request.append_child("s:Envelope"), a, "tt:Copy");
    return 0;
}
