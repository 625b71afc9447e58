// The imaging service (ver20): brightness, contrast, colour saturation, sharpness and wide
// dynamic range of each video source, and the ranges they accept.
#include "tools/lab/onvif_services.h"

namespace orvex::lab::onvif {
namespace {

Channel& SourceChannel(OperationContext& c) {
    const std::string token = Arg(c, "VideoSourceToken");
    Channel& ch = ChannelByToken(c.state, token);
    if (token != "VideoSource_" + std::to_string(ch.number)) {
        throw SoapFault(FaultCode::kNoEntity, "no video source \"" + token + "\"");
    }
    return ch;
}

void GetImagingSettings(OperationContext& c) {
    const Imaging& i = SourceChannel(c).imaging;
    pugi::xml_node s = c.response.append_child("timg:ImagingSettings");
    Add(s, "tt:Brightness", i.brightness);
    Add(s, "tt:ColorSaturation", i.saturation);
    Add(s, "tt:Contrast", i.contrast);
    Add(s, "tt:Sharpness", i.sharpness);
    pugi::xml_node wdr = s.append_child("tt:WideDynamicRange");
    Add(wdr, "tt:Mode", i.wdr ? "ON" : "OFF");
    Add(wdr, "tt:Level", i.wdrLevel);
}

void SetImagingSettings(OperationContext& c) {
    Channel& ch = SourceChannel(c);
    pugi::xml_node s = Child(c.request, kImagingNs, "ImagingSettings");
    if (!s) {
        throw SoapFault(FaultCode::kInvalidArgVal, "ImagingSettings is missing");
    }
    Imaging i = ch.imaging;
    const std::pair<const char*, int*> values[] = {{"Brightness", &i.brightness},
                                                   {"ColorSaturation", &i.saturation},
                                                   {"Contrast", &i.contrast},
                                                   {"Sharpness", &i.sharpness}};
    for (const auto& [name, target] : values) {
        if (std::optional<std::string> text = ChildText(s, kSchemaNs, name)) {
            *target = ParseInt(*text, name);
        }
    }
    if (pugi::xml_node wdr = Child(s, kSchemaNs, "WideDynamicRange")) {
        if (std::optional<std::string> mode = ChildText(wdr, kSchemaNs, "Mode")) {
            if (*mode != "ON" && *mode != "OFF") {
                throw SoapFault(FaultCode::kInvalidArgVal,
                                "WDR mode " + *mode + " is not offered (ON, OFF)");
            }
            i.wdr = *mode == "ON";
        }
        if (std::optional<std::string> level = ChildText(wdr, kSchemaNs, "Level")) {
            i.wdrLevel = ParseInt(*level, "WDR Level");
        }
    }
    for (const char* unsupported : {"Exposure", "Focus", "WhiteBalance", "IrCutFilter"}) {
        if (Child(s, kSchemaNs, unsupported)) {
            throw SoapFault(FaultCode::kInvalidArgVal,
                            std::string(unsupported) + " is not adjustable on this camera");
        }
    }
    Refuse(CheckImaging(i));
    ch.imaging = i;
}

void AddRange(pugi::xml_node parent, const char* name) {
    pugi::xml_node r = parent.append_child(name);
    Add(r, "tt:Min", 0);
    Add(r, "tt:Max", 100);
}

void GetOptions(OperationContext& c) {
    SourceChannel(c);
    pugi::xml_node o = c.response.append_child("timg:ImagingOptions");
    AddRange(o, "tt:Brightness");
    AddRange(o, "tt:ColorSaturation");
    AddRange(o, "tt:Contrast");
    AddRange(o, "tt:Sharpness");
    pugi::xml_node wdr = o.append_child("tt:WideDynamicRange");
    Add(wdr, "tt:Mode", "OFF");
    Add(wdr, "tt:Mode", "ON");
    AddRange(wdr, "tt:Level");
}

void GetServiceCapabilities(OperationContext& c) {
    c.response.append_child("timg:Capabilities").append_attribute("ImageStabilization") = "false";
}

}  // namespace

std::vector<Operation> ImagingOperations() {
    return {
        {kImagingNs, "GetServiceCapabilities", "imaging", false, false, GetServiceCapabilities},
        {kImagingNs, "GetImagingSettings", "imaging", true, false, GetImagingSettings},
        {kImagingNs, "SetImagingSettings", "imaging", true, true, SetImagingSettings},
        {kImagingNs, "GetOptions", "imaging", true, false, GetOptions},
    };
}

}  // namespace orvex::lab::onvif
