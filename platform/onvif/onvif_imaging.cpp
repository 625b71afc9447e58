#include "platform/onvif/onvif_imaging.h"

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

void SourceToken(pugi::xml_node op, const std::string& token) {
    op.append_child("timg:VideoSourceToken").text().set(token.c_str());
}

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
    c.call(
        path, kImagingNs, "GetImagingSettings",
        [&](pugi::xml_node op) { SourceToken(op, sourceToken); }, reply);
    if (reply.ok()) {
        settings = ParseImagingSettings(reply.answer);
    }
    return reply.ok();
}

bool GetImagingOptions(SoapClient& c, const std::string& path, const std::string& sourceToken,
                       ImagingOptions& options, Reply& reply) {
    c.call(
        path, kImagingNs, "GetOptions", [&](pugi::xml_node op) { SourceToken(op, sourceToken); },
        reply);
    if (reply.ok()) {
        options = ParseImagingOptions(reply.answer);
    }
    return reply.ok();
}

bool SetImaging(SoapClient& c, const std::string& path, const std::string& sourceToken,
                const ImagingChange& change, Reply& reply) {
    Reply read;  // the settings as the camera has them, alive while the set is built
    c.call(
        path, kImagingNs, "GetImagingSettings",
        [&](pugi::xml_node op) { SourceToken(op, sourceToken); }, read);
    if (!read.ok()) {
        return CopyFailure(read, reply);
    }
    pugi::xml_node current = Child(read.answer, kImagingNs, "ImagingSettings");
    c.call(
        path, kImagingNs, "SetImagingSettings",
        [&](pugi::xml_node op) {
            SourceToken(op, sourceToken);
            pugi::xml_node s = CopyElement(op, current, "timg:ImagingSettings");
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
                pugi::xml_node wdr = Child(s, kSchemaNs, "WideDynamicRange");
                if (!wdr) {
                    wdr = s.append_child("tt:WideDynamicRange");
                }
                SetChildText(wdr, "Mode", *change.wdr ? "ON" : "OFF");
            }
            op.append_child("timg:ForcePersistence").text().set("true");
        },
        reply);
    return reply.ok();
}

}  // namespace orvex::onvif
