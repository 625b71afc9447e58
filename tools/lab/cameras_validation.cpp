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
            failure_ = what + " " + std::to_string(value) + " 超出范围 " + std::to_string(lo) +
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
            failure_ = what + " " + std::to_string(value) + " 不支持（支持：" + list + "）";
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
        const std::string name = s == 0 ? "主码流" : "子码流";
        const std::vector<ResolutionEntry>& resolutions =
            s == 0 ? range.mainResolutions : range.subResolutions;
        const ResolutionEntry* entry = nullptr;
        for (const ResolutionEntry& e : resolutions) {
            if (e.index == c.streamResolution(s)) {
                entry = &e;
            }
        }
        check.oneOf(name + "码流类型", c.streamType(s), range.streamTypes.values);
        check.flag(name + "码流方式", c.streamFlowType(s));
        if (entry == nullptr) {
            check.fail(name + "分辨率序号 " + std::to_string(c.streamResolution(s)) + " 不支持");
            return;
        }
        check.flag(name + "码率类型", c.streamBitrateType(s));
        check.within(name + "图像质量", c.streamPicQuality(s), 0, 5);
        const int32_t kbps = bitrateCodeToKbps(c.streamBitrateCode(s));
        if (kbps == 0) {
            check.fail(name + "码率代码 " + std::to_string(c.streamBitrateCode(s)) + " 无法识别");
        }
        check.within(name + "码率（kbit/s，" + entry->name + "）", kbps, entry->bitrateMin,
                     entry->bitrateMax);
        if (!entry->frameRates.empty()) {
            check.oneOf(name + "帧率（" + entry->name + "）", c.streamFrameRate(s),
                        entry->frameRates);
        }
        if (static_cast<size_t>(s) < range.iFrameRanges.size()) {
            check.within(name + "I帧间隔", c.streamIFrameInterval(s),
                         range.iFrameRanges[static_cast<size_t>(s)]);
        }
        check.within(name + "帧类型", c.streamFrameType(s), 0, 3);
        const std::vector<int32_t>& video =
            static_cast<size_t>(s) < range.streamVideoTypes.size()
                ? range.streamVideoTypes[static_cast<size_t>(s)].values
                : range.videoTypes.values;
        check.oneOf(name + "视频编码", c.streamVideoEncoding(s), video);
        check.oneOf(name + "音频编码", c.streamAudioEncoding(s),
                    s == 0 ? range.mainAudioEncTypes.values : range.subAudioEncTypes.values);
    }
}

void CheckWifi(const DeviceConfig& c, Checker& check) {
    check.flag("Wi-Fi 模式", c.wifiMode());
    check.oneOf("Wi-Fi 安全方式", c.wifiSecurity(), {0, 2, 4});
    if (c.wifiSecurity() != 2 && c.wifiSecurity() != 4) {
        return;
    }
    check.flag("Wi-Fi 加密算法", c.wifiCipher());
    check.flag("Wi-Fi 密钥序号", c.wifiKeySelector());
    if (c.wifiKeySelector() == 0) {
        const int64_t length = static_cast<int64_t>(c.wifiKey().size());
        if (check.ok() && c.wifiKeyLength() != length) {
            check.fail("Wi-Fi 密钥长度 " + std::to_string(c.wifiKeyLength()) + " 与密钥（" +
                       std::to_string(length) + " 字节）不符");
        }
        check.within("Wi-Fi 密钥长度", length, 8, 63);
    }
}

void CheckPicture(const DeviceConfig& c, Checker& check) {
    check.flag("显示通道名称", c.channelNameShown());
    check.flag("显示日期", c.dateShown());
    check.within("日期格式", c.dateFormat(), 0, 8);
    check.flag("显示星期", c.weekShown());
    check.within("显示状态", c.displayState(), 0, 3);
    check.flag("时间格式", c.timeFormat());
    check.flag("移动侦测开关", c.motionSwitch());
    check.flag("移动侦测模式", c.motionMode());
    // Percent scale: steps 0 to 5. Default scale: steps 0 to 5, or 0xFF for off. With the
    // alternate flag the byte holds the level itself.
    if (c.alternateSensitivityFlag() != 0 && c.sensitivityScale() != DeviceConfig::kPercentScale) {
        check.within("移动侦测灵敏度", c.motionSensitivity(), 0, 100);
    } else if (c.sensitivityScale() == DeviceConfig::kPercentScale ||
               c.motionSensitivity() != 0xFF) {
        check.within("移动侦测灵敏度", c.motionSensitivity(), 0, 5);
    }
    check.within("移动侦测备用灵敏度", c.motionAlternateSensitivity(), 0, 100);
}

}  // namespace

const char* ItemWords(int32_t item) {
    switch (item) {
        case CFG_ITEM_TIME:
            return "时间设置";
        case CFG_ITEM_WIFI:
            return "Wi-Fi 设置";
        case CFG_ITEM_MOTION:
            return "移动侦测计划";
        case CFG_ITEM_COMPRESSION:
            return "码流压缩参数";
        case CFG_ITEM_AUDIO_IN:
            return "音频输入";
        case CFG_ITEM_AUDIO_OUT:
            return "音频输出";
        case CFG_ITEM_IMAGE:
            return "宽动态";
        case CFG_ITEM_COLOR:
            return "图像颜色";
        case CFG_ITEM_OSD:
            return "屏幕显示";
        case CFG_ITEM_LOGO:
            return "Logo";
        case CFG_ITEM_ALARM_SOUND:
            return "报警声音";
        default:
            return "配置";
    }
}

Verdict ValidateItem(int32_t item, int32_t channelNo, const DeviceConfig& c,
                     const ConfigRange& range) {
    Checker check;
    switch (item) {
        case CFG_ITEM_TIME: {
            const std::string server = c.timeServerAddress();
            if (std::any_of(server.begin(), server.end(),
                            [](char ch) { return static_cast<unsigned char>(ch) < 0x20; })) {
                check.fail("时间服务器地址含有控制字符");
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
            check.oneOf("音频输入方式", c.audioInputMode(), range.audioInTypes.values);
            check.within("音频输入音量", c.audioInputVolume(), range.audioInVolume);
            break;
        case CFG_ITEM_AUDIO_OUT:
            check.within("音频输出音量", c.audioOutputVolume(), range.audioOutVolume);
            break;
        case CFG_ITEM_IMAGE:
            check.flag("宽动态", c.wideDynamicRange(0));
            if (c.wideDynamicRange(1) != c.wideDynamicRange(0) ||
                c.wideDynamicRange(2) != c.wideDynamicRange(0)) {
                check.fail("宽动态开关不一致");
            }
            break;
        case CFG_ITEM_COLOR:
            check.within("亮度", c.brightness(), range.brightness);
            check.within("对比度", c.contrast(), range.contrast);
            check.within("饱和度", c.saturation(), range.saturation);
            check.within("色调", c.hue(), 0, 100);
            break;
        case CFG_ITEM_LOGO:
            check.flag("显示 Logo", c.logoShown());
            break;
        case CFG_ITEM_ALARM_SOUND: {
            check.oneOf("报警块大小", c.alarmBlockSize(), {DeviceConfig::kAlarmBlockBytes});
            check.oneOf("报警通道", c.alarmChannel(), {channelNo});
            check.within("报警声音", c.alarmSound(), 0, 10);
            auto block = c.block(CFG_ITEM_ALARM_SOUND);
            if (std::any_of(block.begin() + 12, block.end(), [](uint8_t b) { return b != 0; })) {
                check.fail("报警块保留字节不为零");
            }
            break;
        }
        default:
            check.fail("配置项 " + std::to_string(item) + " 不存在");
            break;
    }
    if (!check.ok()) {
        return {STATUS_OUT_OF_RANGE, check.failure()};
    }
    return {STATUS_OK, std::string(ItemWords(item)) + "已应用到通道 " + std::to_string(channelNo)};
}

}  // namespace orvex::lab
