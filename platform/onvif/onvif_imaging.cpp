#include "platform/onvif/onvif_imaging.h"

#include "platform/onvif/onvif_rewrite.h"
#include "platform/onvif/onvif_xml.h"

namespace orvex::onvif {
namespace {

Range ReadRange(pugi::xml_node r) {
    Range range;
    const std::optional<int> min = ChildInt(r, "Min"), max = ChildInt(r, "Max");
    if (min && max && *min <= *max) {
        range = {*min, *max, true};
    }
    return range;
}

constexpr char kSourceToken[] = "timg:VideoSourceToken";

}  // namespace

ImagingSettings ParseImagingSettings(pugi::xml_node answer) {
    pugi::xml_node s = Child(answer, kImagingNs, "ImagingSettings");
    ImagingSettings settings;
    settings.brightness = ChildInt(s, "Brightness");
    settings.contrast = ChildInt(s, "Contrast");
    settings.saturation = ChildInt(s, "ColorSaturation");
    settings.sharpness = ChildInt(s, "Sharpness");
    if (std::optional<std::string> mode =
            ChildText(Child(s, kSchemaNs, "WideDynamicRange"), kSchemaNs, "Mode")) {
        settings.wdr = *mode == "ON";
    }
    return settings;
}

ImagingOptions ParseImagingOptions(pugi::xml_node answer) {
    pugi::xml_node o = Child(answer, kImagingNs, "ImagingOptions");
    ImagingOptions options;
    options.brightness = ReadRange(Child(o, kSchemaNs, "Brightness"));
    options.contrast = ReadRange(Child(o, kSchemaNs, "Contrast"));
    options.saturation = ReadRange(Child(o, kSchemaNs, "ColorSaturation"));
    options.sharpness = ReadRange(Child(o, kSchemaNs, "Sharpness"));
    bool on = false, off = false;
    for (pugi::xml_node m : Children(Child(o, kSchemaNs, "WideDynamicRange"), kSchemaNs, "Mode")) {
        on = on || std::string_view(m.child_value()) == "ON";
        off = off || std::string_view(m.child_value()) == "OFF";
    }
    options.wdrSwitch = on && off;
    return options;
}

bool GetImaging(SoapClient& c, const std::string& path, const std::string& sourceToken,
                ImagingSettings& settings, Reply& reply) {
    return CallAndRead(
        c, path, kImagingNs, "GetImagingSettings", TokenArgument(kSourceToken, sourceToken),
        [&](pugi::xml_node answer) { settings = ParseImagingSettings(answer); }, reply);
}

bool GetImagingOptions(SoapClient& c, const std::string& path, const std::string& sourceToken,
                       ImagingOptions& options, Reply& reply) {
    return CallAndRead(
        c, path, kImagingNs, "GetOptions", TokenArgument(kSourceToken, sourceToken),
        [&](pugi::xml_node answer) { options = ParseImagingOptions(answer); }, reply);
}

bool SetImaging(SoapClient& c, const std::string& path, const std::string& sourceToken,
                const ImagingChange& change, Reply& reply) {
    const Rewrite how{.ns = kImagingNs,
                      .read = "GetImagingSettings",
                      .keyElement = kSourceToken,
                      .key = sourceToken,
                      .element = "ImagingSettings",
                      .write = "SetImagingSettings",
                      .writeKey = true,
                      .copyAs = "timg:ImagingSettings",
                      .persist = "timg:ForcePersistence"};
    return RewriteConfiguration(
        c, path, how,
        [&](pugi::xml_node s) {
            if (change.brightness) {
                SetChildText(s, "Brightness", std::to_string(*change.brightness));
            }
            if (change.saturation) {
                SetChildText(s, "ColorSaturation", std::to_string(*change.saturation));
            }
            if (change.contrast) {
                SetChildText(s, "Contrast", std::to_string(*change.contrast));
            }
            if (change.wdr) {
                SetChildText(ChildOrAdd(s, "WideDynamicRange"), "Mode", *change.wdr ? "ON" : "OFF");
            }
        },
        reply);
}

}  // namespace orvex::onvif
