#include "devcfg/config_range_json.h"

#include <json/json.h>

#include "platform/win32/debug_output.h"
#include "support/json_text.h"

namespace orvex {

namespace {

Json::Value Triple(const RangeTriple& t) {
    Json::Value v;
    v["min"] = t.min;
    v["max"] = t.max;
    v["default"] = t.defaultValue;
    return v;
}

// Appends every value to json[key]; an empty list leaves the member absent.
template <typename List>
void AppendAll(Json::Value& json, const char* key, const List& values) {
    for (const auto& value : values) {
        json[key].append(Json::Value(value));
    }
}

Json::Value Resolution(const ResolutionEntry& e) {
    Json::Value v;
    v["resolutionIndex"] = e.index;
    v["resolutionName"] = e.name;
    v["resolutionValue"] = e.value;
    v["vbrUpperCap"] = Triple(RangeTriple{e.bitrateMin, e.bitrateMax, e.bitrateDefault});
    AppendAll(v, "maxFrameRate", e.frameRates);
    return v;
}

void AppendResolutions(Json::Value& json, const char* key,
                       const std::vector<ResolutionEntry>& entries) {
    for (const ResolutionEntry& e : entries) {
        json[key].append(Resolution(e));
    }
}

Json::Value BuildRange(const ConfigRange& r) {
    Json::Value image;
    image["brightnessLevel"] = Triple(r.brightness);
    image["sharpnessLevel"] = Triple(r.sharpness);
    image["contrastLevel"] = Triple(r.contrast);
    image["saturationLevel"] = Triple(r.saturation);

    Json::Value show;
    show["supportShowWeek"] = r.supportShowWeek;
    AppendAll(show, "osdType", r.osdTypes.values);
    AppendAll(show, "osdAttrib", r.osdAttribs.values);
    AppendAll(show, "osdHourType", r.osdHourTypes.values);

    Json::Value audio;
    AppendAll(audio, "mainAudioEncType", r.mainAudioEncTypes.values);
    audio["mainAudioEncTypeDefault"] = r.mainAudioEncTypes.defaultValue;
    AppendAll(audio, "subAudioEncType", r.subAudioEncTypes.values);
    audio["subAudioEncTypeDefault"] = r.subAudioEncTypes.defaultValue;
    AppendAll(audio, "audioInType", r.audioInTypes.values);
    audio["audioInVolumeMin"] = r.audioInVolume.min;
    audio["audioInVolumeMax"] = r.audioInVolume.max;
    audio["audioInVolumeDefault"] = r.audioInVolume.defaultValue;
    audio["audioOutVolumeMin"] = r.audioOutVolume.min;
    audio["audioOutVolumeMax"] = r.audioOutVolume.max;
    audio["audioOutVolumeDefault"] = r.audioOutVolume.defaultValue;

    // With every list empty the video object stays null, as an unset member of the library
    // writer would be.
    Json::Value video;
    if (!r.streamTypes.values.empty()) {
        video["streamType"] = r.streamTypes.values.back();
    }
    const bool perStream =
        !r.streamVideoTypes.empty() && !r.streamVideoTypes.front().values.empty();
    AppendAll(video, "videoType",
              perStream ? r.streamVideoTypes.front().values : r.videoTypes.values);
    if (!r.iFrameRanges.empty()) {
        video["IFrame"] = Triple(r.iFrameRanges.front());
    }
    AppendResolutions(video, "videoResolution", r.mainResolutions);
    AppendResolutions(video, "SubvideoResolution", r.subResolutions);

    Json::Value root;
    root["serial"] = r.serial;
    root["channelNo"] = r.channelNo;
    root["imageCfgRange"] = image;
    root["imageShowRange"] = show;
    root["audioCfgRange"] = audio;
    root["videoCfgRange"] = video;
    return root;
}

}  // namespace

std::string ConfigRangeToPageJson(const ConfigRange& range) {
    std::string text;
    try {
        text = WriteFlatJson(BuildRange(range));
    } catch (const Json::Exception&) {
        OutputDebugStringA("create dev config range info err.\n");
        return {};
    }
    OutputDebugStringA("\n dev config range info: ");
    OutputDebugStringA(text.c_str());
    OutputDebugStringA("\n");
    return text;
}

}  // namespace orvex
