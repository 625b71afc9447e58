#include "tools/lab/cameras_validation.h"

#include <algorithm>
#include <string>
#include <vector>

#include "devcfg/code_tables.h"
#include "platform/rprov/rprov_wire.h"

namespace orvex::lab {
namespace {

using rprov::STATUS_OK;
using rprov::STATUS_OUT_OF_RANGE;

// Collects the first refusal; later checks are skipped once one failed.
class Checker {
  public:
    bool ok() const { return failure_.empty(); }
    const std::string& failure() const { return failure_; }

    void within(const std::string& what, int64_t value, int64_t lo, int64_t hi) {
        if (ok() && (value < lo || value > hi)) {
            failure_ = what + " " + std::to_string(value) + " is outside " + std::to_string(lo) +
                       ".." + std::to_string(hi);
        }
    }
    void within(const std::string& what, int64_t value, const RangeTriple& range) {
        within(what, value, range.min, range.max);
    }
    void oneOf(const std::string& what, int64_t value, const std::vector<int32_t>& choices) {
        if (ok() && std::find(choices.begin(), choices.end(), value) == choices.end()) {
            std::string list;
            for (int32_t c : choices) {
                list += (list.empty() ? "" : ", ") + std::to_string(c);
            }
            failure_ =
                what + " " + std::to_string(value) + " is not supported (supported: " + list + ")";
        }
    }
    void flag(const std::string& what, int64_t value) { oneOf(what, value, {0, 1}); }
    void fail(const std::string& text) {
        if (ok()) {
            failure_ = text;
        }
    }

  private:
    std::string failure_;
};

void CheckStreams(const DeviceConfig& c, const ConfigRange& range, Checker& check) {
    for (int s = 0; s < 2; ++s) {
        const std::string name = s == 0 ? "main stream " : "sub stream ";
        const std::vector<ResolutionEntry>& resolutions =
            s == 0 ? range.mainResolutions : range.subResolutions;
        const ResolutionEntry* entry = nullptr;
        for (const ResolutionEntry& e : resolutions) {
            if (e.index == c.streamResolution(s)) {
                entry = &e;
            }
        }
        check.oneOf(name + "stream type", c.streamType(s), range.streamTypes.values);
        check.flag(name + "flow type", c.streamFlowType(s));
        if (entry == nullptr) {
            check.fail(name + "resolution index " + std::to_string(c.streamResolution(s)) +
                       " is not supported");
            return;
        }
        check.flag(name + "bitrate type", c.streamBitrateType(s));
        check.within(name + "picture quality", c.streamPicQuality(s), 0, 5);
        const int32_t kbps = bitrateCodeToKbps(c.streamBitrateCode(s));
        if (kbps == 0) {
            check.fail(name + "bitrate code " + std::to_string(c.streamBitrateCode(s)) +
                       " is unknown");
        }
        check.within(name + "bitrate (kbit/s) at " + entry->name, kbps, entry->bitrateMin,
                     entry->bitrateMax);
        if (!entry->frameRates.empty()) {
            check.oneOf(name + "frame rate at " + entry->name, c.streamFrameRate(s),
                        entry->frameRates);
        }
        if (static_cast<size_t>(s) < range.iFrameRanges.size()) {
            check.within(name + "I-frame interval", c.streamIFrameInterval(s),
                         range.iFrameRanges[static_cast<size_t>(s)]);
        }
        check.within(name + "frame type", c.streamFrameType(s), 0, 3);
        const std::vector<int32_t>& video =
            static_cast<size_t>(s) < range.streamVideoTypes.size()
                ? range.streamVideoTypes[static_cast<size_t>(s)].values
                : range.videoTypes.values;
        check.oneOf(name + "video encoding", c.streamVideoEncoding(s), video);
        check.oneOf(name + "audio encoding", c.streamAudioEncoding(s),
                    s == 0 ? range.mainAudioEncTypes.values : range.subAudioEncTypes.values);
    }
}

void CheckWifi(const DeviceConfig& c, Checker& check) {
    check.flag("Wi-Fi mode", c.wifiMode());
    check.oneOf("Wi-Fi security", c.wifiSecurity(), {0, 2, 4});
    if (c.wifiSecurity() != 2 && c.wifiSecurity() != 4) {
        return;
    }
    check.flag("Wi-Fi cipher", c.wifiCipher());
    check.flag("Wi-Fi key selector", c.wifiKeySelector());
    if (c.wifiKeySelector() == 0) {
        const int64_t length = static_cast<int64_t>(c.wifiKey().size());
        if (check.ok() && c.wifiKeyLength() != length) {
            check.fail("Wi-Fi key length " + std::to_string(c.wifiKeyLength()) +
                       " does not match the key (" + std::to_string(length) + " bytes)");
        }
        check.within("Wi-Fi key length", length, 8, 63);
    }
}

void CheckPicture(const DeviceConfig& c, Checker& check) {
    check.flag("channel name shown", c.channelNameShown());
    check.flag("date shown", c.dateShown());
    check.within("date format", c.dateFormat(), 0, 8);
    check.flag("weekday shown", c.weekShown());
    check.within("display state", c.displayState(), 0, 3);
    check.flag("time format", c.timeFormat());
    check.flag("motion detection switch", c.motionSwitch());
    check.flag("motion detection mode", c.motionMode());
    // Percent scale: steps 0 to 5. Default scale: steps 0 to 5, or 0xFF for off. With the
    // alternate flag the byte holds the level itself.
    if (c.alternateSensitivityFlag() != 0 && c.sensitivityScale() != DeviceConfig::kPercentScale) {
        check.within("motion sensitivity", c.motionSensitivity(), 0, 100);
    } else if (c.sensitivityScale() == DeviceConfig::kPercentScale ||
               c.motionSensitivity() != 0xFF) {
        check.within("motion sensitivity", c.motionSensitivity(), 0, 5);
    }
    check.within("alternate motion sensitivity", c.motionAlternateSensitivity(), 0, 100);
}

const char* AppliedText(int32_t item) {
    switch (item) {
        case CFG_ITEM_TIME:
            return "time settings applied";
        case CFG_ITEM_WIFI:
            return "Wi-Fi settings applied";
        case CFG_ITEM_MOTION:
            return "motion detection schedule applied";
        case CFG_ITEM_COMPRESSION:
            return "stream compression applied";
        case CFG_ITEM_AUDIO_IN:
            return "audio input applied";
        case CFG_ITEM_AUDIO_OUT:
            return "audio output applied";
        case CFG_ITEM_IMAGE:
            return "wide dynamic range applied";
        case CFG_ITEM_COLOR:
            return "colour applied";
        case CFG_ITEM_OSD:
            return "on-screen display applied";
        case CFG_ITEM_LOGO:
            return "logo applied";
        case CFG_ITEM_ALARM_SOUND:
            return "alarm sound applied";
        default:
            return "applied";
    }
}

}  // namespace

Verdict ValidateItem(int32_t item, int32_t channelNo, const DeviceConfig& c,
                     const ConfigRange& range) {
    Checker check;
    switch (item) {
        case CFG_ITEM_TIME: {
            const std::string server = c.timeServerAddress();
            if (std::any_of(server.begin(), server.end(),
                            [](char ch) { return static_cast<unsigned char>(ch) < 0x20; })) {
                check.fail("time server address holds control characters");
            }
            break;
        }
        case CFG_ITEM_WIFI:
            CheckWifi(c, check);
            break;
        case CFG_ITEM_MOTION:
        case CFG_ITEM_OSD:
            CheckPicture(c, check);
            break;
        case CFG_ITEM_COMPRESSION:
            CheckStreams(c, range, check);
            break;
        case CFG_ITEM_AUDIO_IN:
            check.oneOf("audio input mode", c.audioInputMode(), range.audioInTypes.values);
            check.within("audio input volume", c.audioInputVolume(), range.audioInVolume);
            break;
        case CFG_ITEM_AUDIO_OUT:
            check.within("audio output volume", c.audioOutputVolume(), range.audioOutVolume);
            break;
        case CFG_ITEM_IMAGE:
            check.flag("wide dynamic range", c.wideDynamicRange(0));
            if (c.wideDynamicRange(1) != c.wideDynamicRange(0) ||
                c.wideDynamicRange(2) != c.wideDynamicRange(0)) {
                check.fail("wide dynamic range switches disagree");
            }
            break;
        case CFG_ITEM_COLOR:
            check.within("brightness", c.brightness(), range.brightness);
            check.within("contrast", c.contrast(), range.contrast);
            check.within("saturation", c.saturation(), range.saturation);
            check.within("hue", c.hue(), 0, 100);
            break;
        case CFG_ITEM_LOGO:
            check.flag("logo shown", c.logoShown());
            break;
        case CFG_ITEM_ALARM_SOUND: {
            check.oneOf("alarm block size", c.alarmBlockSize(), {DeviceConfig::kAlarmBlockBytes});
            check.oneOf("alarm channel", c.alarmChannel(), {channelNo});
            check.within("alarm sound", c.alarmSound(), 0, 10);
            auto block = c.block(CFG_ITEM_ALARM_SOUND);
            if (std::any_of(block.begin() + 12, block.end(), [](uint8_t b) { return b != 0; })) {
                check.fail("alarm block reserved bytes are not zero");
            }
            break;
        }
        default:
            check.fail("item " + std::to_string(item) + " is not a configuration item");
            break;
    }
    if (!check.ok()) {
        return {STATUS_OUT_OF_RANGE, check.failure()};
    }
    return {STATUS_OK, std::string(AppliedText(item)) + " on channel " + std::to_string(channelNo)};
}

}  // namespace orvex::lab
