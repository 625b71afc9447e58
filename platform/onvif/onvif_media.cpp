#include "platform/onvif/onvif_media.h"

#include <algorithm>

#include "platform/onvif/onvif_rewrite.h"
#include "platform/onvif/onvif_xml.h"

namespace orvex::onvif {
namespace {

std::string TokenOf(pugi::xml_node node) {
    return node.attribute("token").value();
}

// Adds min..max of a tt:IntRange child to a sorted list of values (frame rates).
void AddRangeValues(pugi::xml_node range, std::vector<int>& values) {
    const int min = ChildInt(range, "Min").value_or(0);
    const int max = std::min(ChildInt(range, "Max").value_or(0), 1000);
    for (int v = std::max(min, 1); v <= max; ++v) {
        values.push_back(v);
    }
}

void ReadRange(pugi::xml_node range, int& min, int& max) {
    if (range) {
        min = ChildInt(range, "Min").value_or(min);
        max = ChildInt(range, "Max").value_or(max);
    }
}

void AddResolutions(pugi::xml_node codec, EncoderOptions& o) {
    for (pugi::xml_node r : Children(codec, kSchemaNs, "ResolutionsAvailable")) {
        const std::pair<int, int> wh{ChildInt(r, "Width").value_or(0),
                                     ChildInt(r, "Height").value_or(0)};
        if (wh.first > 0 && wh.second > 0 &&
            std::find(o.resolutions.begin(), o.resolutions.end(), wh) == o.resolutions.end()) {
            o.resolutions.push_back(wh);
        }
    }
}

void Unique(std::vector<int>& values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

std::vector<int> Items(pugi::xml_node list) {
    std::vector<int> values;
    for (pugi::xml_node item : Children(list, kSchemaNs, "Items")) {
        if (std::optional<int> v = ParseInt(item.child_value())) {
            values.push_back(*v);
        }
    }
    return values;
}

// An encoder configuration (video or audio), read and written back by its token, persisted.
Rewrite Configuration(std::string_view read, std::string_view write, const std::string& token) {
    return {.ns = kMediaNs,
            .read = read,
            .keyElement = "trt:ConfigurationToken",
            .key = token,
            .element = "Configuration",
            .write = write,
            .copyAs = "trt:Configuration",
            .persist = "trt:ForcePersistence"};
}

}  // namespace

std::vector<std::string> ParseVideoSources(pugi::xml_node answer) {
    std::vector<std::string> tokens;
    for (pugi::xml_node s : Children(answer, kMediaNs, "VideoSources")) {
        tokens.push_back(TokenOf(s));
    }
    return tokens;
}

VideoEncoder ParseEncoder10(pugi::xml_node v) {
    VideoEncoder e;
    e.token = TokenOf(v);
    e.encoding = ChildText(v, kSchemaNs, "Encoding").value_or("");
    pugi::xml_node r = Child(v, kSchemaNs, "Resolution");
    e.width = ChildInt(r, "Width").value_or(0);
    e.height = ChildInt(r, "Height").value_or(0);
    e.quality = ChildInt(v, "Quality").value_or(0);
    pugi::xml_node rate = Child(v, kSchemaNs, "RateControl");
    e.frameRate = ChildInt(rate, "FrameRateLimit").value_or(0);
    e.bitrate = ChildInt(rate, "BitrateLimit").value_or(0);
    e.govLength = ChildInt(Child(v, kSchemaNs, "H264"), "GovLength").value_or(0);
    return e;
}

std::vector<Profile> ParseProfiles(pugi::xml_node answer) {
    std::vector<Profile> profiles;
    for (pugi::xml_node p : Children(answer, kMediaNs, "Profiles")) {
        Profile profile;
        profile.token = TokenOf(p);
        pugi::xml_node source = Child(p, kSchemaNs, "VideoSourceConfiguration");
        profile.sourceConfigToken = TokenOf(source);
        profile.sourceToken = ChildText(source, kSchemaNs, "SourceToken").value_or("");
        if (pugi::xml_node v = Child(p, kSchemaNs, "VideoEncoderConfiguration")) {
            profile.encoder = ParseEncoder10(v);
        }
        profile.audioEncoderToken = TokenOf(Child(p, kSchemaNs, "AudioEncoderConfiguration"));
        profile.analyticsToken = TokenOf(Child(p, kSchemaNs, "VideoAnalyticsConfiguration"));
        profiles.push_back(std::move(profile));
    }
    return profiles;
}

EncoderOptions ParseEncoderOptions10(pugi::xml_node answer) {
    EncoderOptions o;
    pugi::xml_node options = Child(answer, kMediaNs, "Options");
    ReadRange(Child(options, kSchemaNs, "QualityRange"), o.qualityMin, o.qualityMax);
    pugi::xml_node extension = Child(options, kSchemaNs, "Extension");
    for (const char* codec : {"H264", "JPEG"}) {
        pugi::xml_node base = Child(options, kSchemaNs, codec);
        pugi::xml_node extended = Child(extension, kSchemaNs, codec);
        if (!base && !extended) {
            continue;
        }
        o.encodings.push_back(codec);
        for (pugi::xml_node c : {base, extended}) {
            AddResolutions(c, o);
            AddRangeValues(Child(c, kSchemaNs, "FrameRateRange"), o.frameRates);
            ReadRange(Child(c, kSchemaNs, "GovLengthRange"), o.govMin, o.govMax);
            ReadRange(Child(c, kSchemaNs, "BitrateRange"), o.bitrateMin, o.bitrateMax);
        }
    }
    Unique(o.frameRates);
    return o;
}

AudioEncoder ParseAudioEncoder(pugi::xml_node v) {
    AudioEncoder a;
    a.token = TokenOf(v);
    a.encoding = ChildText(v, kSchemaNs, "Encoding").value_or("");
    a.bitrate = ChildInt(v, "Bitrate").value_or(0);
    a.sampleRate = ChildInt(v, "SampleRate").value_or(0);
    return a;
}

std::vector<AudioOption> ParseAudioOptions(pugi::xml_node answer) {
    // ver10: Options/Options; ver20: Options, one per encoding.
    std::vector<pugi::xml_node> entries =
        Children(Child(answer, kMediaNs, "Options"), kSchemaNs, "Options");
    for (pugi::xml_node o : Children(answer, kMedia2Ns, "Options")) {
        entries.push_back(o);
    }
    std::vector<AudioOption> options;
    for (pugi::xml_node o : entries) {
        AudioOption option;
        option.encoding = ChildText(o, kSchemaNs, "Encoding").value_or("");
        option.bitrates = Items(Child(o, kSchemaNs, "BitrateList"));
        option.sampleRates = Items(Child(o, kSchemaNs, "SampleRateList"));
        options.push_back(std::move(option));
    }
    return options;
}

std::vector<Osd> ParseOsds(pugi::xml_node answer) {
    std::vector<pugi::xml_node> entries = Children(answer, kMediaNs, "OSDs");
    for (pugi::xml_node o : Children(answer, kMedia2Ns, "OSDs")) {
        entries.push_back(o);
    }
    std::vector<Osd> osds;
    for (pugi::xml_node o : entries) {
        Osd osd;
        osd.token = TokenOf(o);
        osd.sourceConfigToken =
            ChildText(o, kSchemaNs, "VideoSourceConfigurationToken").value_or("");
        pugi::xml_node text = Child(o, kSchemaNs, "TextString");
        osd.textType = ChildText(text, kSchemaNs, "Type").value_or("");
        osd.dateFormat = ChildText(text, kSchemaNs, "DateFormat").value_or("");
        osd.timeFormat = ChildText(text, kSchemaNs, "TimeFormat").value_or("");
        osd.plainText = ChildText(text, kSchemaNs, "PlainText").value_or("");
        if (ChildText(o, kSchemaNs, "Type").value_or("") == "Text") {
            osds.push_back(std::move(osd));  // image OSDs have no counterpart
        }
    }
    return osds;
}

OsdOptions ParseOsdOptions(pugi::xml_node answer) {
    pugi::xml_node o = Child(answer, kMediaNs, "OSDOptions");
    if (!o) {
        o = Child(answer, kMedia2Ns, "OSDOptions");
    }
    OsdOptions options;
    pugi::xml_node text = Child(o, kSchemaNs, "TextOption");
    for (pugi::xml_node f : Children(text, kSchemaNs, "DateFormat")) {
        options.dateFormats.push_back(f.child_value());
    }
    for (pugi::xml_node f : Children(text, kSchemaNs, "TimeFormat")) {
        options.timeFormats.push_back(f.child_value());
    }
    return options;
}

void ApplyEncoderChange(pugi::xml_node v, const EncoderChange& change) {
    if (change.encoding) {
        SetChildText(v, "Encoding", *change.encoding);
    }
    if (change.resolution) {
        pugi::xml_node r = ChildOrAdd(v, "Resolution");
        SetChildText(r, "Width", std::to_string(change.resolution->first));
        SetChildText(r, "Height", std::to_string(change.resolution->second));
    }
    if (change.quality) {
        SetChildText(v, "Quality", std::to_string(*change.quality));
    }
    if (change.frameRate || change.bitrate) {
        pugi::xml_node rate = ChildOrAdd(v, "RateControl");
        if (change.frameRate) {
            SetChildText(rate, "FrameRateLimit", std::to_string(*change.frameRate));
        }
        if (change.bitrate) {
            SetChildText(rate, "BitrateLimit", std::to_string(*change.bitrate));
        }
    }
}

bool GetVideoSources(SoapClient& c, const std::string& path, std::vector<std::string>& sources,
                     Reply& reply) {
    return CallAndRead(
        c, path, kMediaNs, "GetVideoSources", nullptr,
        [&](pugi::xml_node answer) { sources = ParseVideoSources(answer); }, reply);
}

bool GetProfiles(SoapClient& c, const std::string& path, std::vector<Profile>& profiles,
                 Reply& reply) {
    return CallAndRead(
        c, path, kMediaNs, "GetProfiles", nullptr,
        [&](pugi::xml_node answer) { profiles = ParseProfiles(answer); }, reply);
}

bool GetEncoderOptions(SoapClient& c, const std::string& path, const Profile& profile,
                       EncoderOptions& options, Reply& reply) {
    c.call(
        path, kMediaNs, "GetVideoEncoderConfigurationOptions",
        [&](pugi::xml_node op) {
            op.append_child("trt:ConfigurationToken").text().set(profile.encoder.token.c_str());
            op.append_child("trt:ProfileToken").text().set(profile.token.c_str());
        },
        reply);
    if (reply.ok()) {
        options = ParseEncoderOptions10(reply.answer);
    }
    return reply.ok();
}

bool SetEncoder(SoapClient& c, const std::string& path, const std::string& token,
                const EncoderChange& change, Reply& reply) {
    return RewriteConfiguration(
        c, path,
        Configuration("GetVideoEncoderConfiguration", "SetVideoEncoderConfiguration", token),
        [&](pugi::xml_node v) {
            ApplyEncoderChange(v, change);
            if (change.govLength) {
                SetChildText(ChildOrAdd(v, "H264"), "GovLength", std::to_string(*change.govLength));
            }
        },
        reply);
}

bool GetAudioEncoder(SoapClient& c, const std::string& path, const std::string& token,
                     AudioEncoder& encoder, Reply& reply) {
    return CallAndRead(
        c, path, kMediaNs, "GetAudioEncoderConfiguration",
        TokenArgument("trt:ConfigurationToken", token),
        [&](pugi::xml_node answer) {
            encoder = ParseAudioEncoder(Child(answer, kMediaNs, "Configuration"));
        },
        reply);
}

bool GetAudioOptions(SoapClient& c, const std::string& path, const std::string& token,
                     std::vector<AudioOption>& options, Reply& reply) {
    return CallAndRead(
        c, path, kMediaNs, "GetAudioEncoderConfigurationOptions",
        TokenArgument("trt:ConfigurationToken", token),
        [&](pugi::xml_node answer) { options = ParseAudioOptions(answer); }, reply);
}

bool SetAudioEncoder(SoapClient& c, const std::string& path, const std::string& token,
                     const AudioChange& change, Reply& reply) {
    return RewriteConfiguration(
        c, path,
        Configuration("GetAudioEncoderConfiguration", "SetAudioEncoderConfiguration", token),
        [&](pugi::xml_node v) {
            SetChildText(v, "Encoding", change.encoding);
            SetChildText(v, "Bitrate", std::to_string(change.bitrate));
            SetChildText(v, "SampleRate", std::to_string(change.sampleRate));
        },
        reply);
}

bool GetOsds(SoapClient& c, const std::string& path, const std::string& sourceConfigToken,
             std::vector<Osd>& osds, Reply& reply) {
    return CallAndRead(
        c, path, kMediaNs, "GetOSDs", TokenArgument("trt:ConfigurationToken", sourceConfigToken),
        [&](pugi::xml_node answer) { osds = ParseOsds(answer); }, reply);
}

bool GetOsdOptions(SoapClient& c, const std::string& path, const std::string& sourceConfigToken,
                   OsdOptions& options, Reply& reply) {
    return CallAndRead(
        c, path, kMediaNs, "GetOSDOptions",
        TokenArgument("trt:ConfigurationToken", sourceConfigToken),
        [&](pugi::xml_node answer) { options = ParseOsdOptions(answer); }, reply);
}

bool SetOsd(SoapClient& c, const std::string& path, const std::string& token,
            const OsdChange& change, Reply& reply) {
    // SetOSD takes no ForcePersistence.
    const Rewrite how{.ns = kMediaNs,
                      .read = "GetOSD",
                      .keyElement = "trt:OSDToken",
                      .key = token,
                      .element = "OSD",
                      .write = "SetOSD",
                      .copyAs = "trt:OSD"};
    return RewriteConfiguration(
        c, path, how,
        [&](pugi::xml_node v) {
            pugi::xml_node text = ChildOrAdd(v, "TextString");
            if (change.textType) {
                SetChildText(text, "Type", *change.textType);
            }
            if (change.dateFormat) {
                SetChildText(text, "DateFormat", *change.dateFormat);
            }
            if (change.timeFormat) {
                SetChildText(text, "TimeFormat", *change.timeFormat);
            }
            if (change.plainText) {
                SetChildText(text, "PlainText", *change.plainText);
            }
        },
        reply);
}

}  // namespace orvex::onvif
