#include "tools/lab/onvif_model.h"

#include <algorithm>
#include <functional>

namespace orvex::lab::onvif {
namespace {

std::string Range(int min, int max) {
    return std::to_string(min) + ".." + std::to_string(max);
}

bool Contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Every member of each record, by name, for the state file. One list serves both directions.
template <class F>
void Fields(NtpServer& s, F&& f) {
    f("type", s.type);
    f("address", s.address);
}
template <class F>
void Fields(Dot11Settings& w, F&& f) {
    f("ssid", w.ssid);
    f("mode", w.mode);
    f("alias", w.alias);
    f("priority", w.priority);
    f("securityMode", w.securityMode);
    f("algorithm", w.algorithm);
    f("passphrase", w.passphrase);
}
template <class F>
void Fields(VideoEncoder& e, F&& f) {
    f("token", e.token);
    f("name", e.name);
    f("encoding", e.encoding);
    f("width", e.width);
    f("height", e.height);
    f("quality", e.quality);
    f("frameRate", e.frameRate);
    f("encodingInterval", e.encodingInterval);
    f("bitrate", e.bitrate);
    f("govLength", e.govLength);
    f("profile", e.profile);
    f("constantBitRate", e.constantBitRate);
}
template <class F>
void Fields(AudioEncoder& a, F&& f) {
    f("token", a.token);
    f("encoding", a.encoding);
    f("bitrate", a.bitrate);
    f("sampleRate", a.sampleRate);
}
template <class F>
void Fields(Osd& o, F&& f) {
    f("token", o.token);
    f("textType", o.textType);
    f("dateFormat", o.dateFormat);
    f("timeFormat", o.timeFormat);
    f("plainText", o.plainText);
    f("position", o.position);
}
template <class F>
void Fields(Imaging& i, F&& f) {
    f("brightness", i.brightness);
    f("contrast", i.contrast);
    f("saturation", i.saturation);
    f("sharpness", i.sharpness);
    f("wdr", i.wdr);
    f("wdrLevel", i.wdrLevel);
}
template <class F>
void Fields(Motion& m, F&& f) {
    f("enabled", m.enabled);
    f("sensitivity", m.sensitivity);
}
template <class F>
void Fields(Channel& c, F&& f) {
    f("number", c.number);
    f("main", c.main);
    f("sub", c.sub);
    f("audio", c.audio);
    f("dateOsd", c.dateOsd);
    f("nameOsd", c.nameOsd);
    f("imaging", c.imaging);
    f("motion", c.motion);
}
template <class F>
void Fields(CameraState& s, F&& f) {
    f("ntpFromDhcp", s.ntpFromDhcp);
    f("ntp", s.ntp);
    f("wifiEnabled", s.wifiEnabled);
    f("wifi", s.wifi);
    f("channels", s.channels);
}

Json::Value ToJson(const std::string& v) {
    return v;
}
Json::Value ToJson(int v) {
    return v;
}
Json::Value ToJson(bool v) {
    return v;
}
template <class T>
Json::Value ToJson(const std::vector<T>& list);
template <class T>
Json::Value ToJson(const T& record) {
    Json::Value out(Json::objectValue);
    Fields(const_cast<T&>(record),
           [&out](const char* name, const auto& member) { out[name] = ToJson(member); });
    return out;
}
template <class T>
Json::Value ToJson(const std::vector<T>& list) {
    Json::Value out(Json::arrayValue);
    for (const T& item : list) {
        out.append(ToJson(item));
    }
    return out;
}

bool FromJson(const Json::Value& j, std::string& v) {
    if (!j.isString()) {
        return false;
    }
    v = j.asString();
    return true;
}
bool FromJson(const Json::Value& j, int& v) {
    if (!j.isInt()) {
        return false;
    }
    v = j.asInt();
    return true;
}
bool FromJson(const Json::Value& j, bool& v) {
    if (!j.isBool()) {
        return false;
    }
    v = j.asBool();
    return true;
}
template <class T>
bool FromJson(const Json::Value& j, std::vector<T>& list);
template <class T>
bool FromJson(const Json::Value& j, T& record) {
    if (!j.isObject()) {
        return false;
    }
    bool ok = true;
    Fields(record, [&](const char* name, auto& member) { ok = ok && FromJson(j[name], member); });
    return ok;
}
template <class T>
bool FromJson(const Json::Value& j, std::vector<T>& list) {
    if (!j.isArray()) {
        return false;
    }
    list.assign(j.size(), T{});
    for (Json::ArrayIndex i = 0; i < j.size(); ++i) {
        if (!FromJson(j[i], list[i])) {
            return false;
        }
    }
    return true;
}

bool IsIpv4(const std::string& text) {
    int parts = 0;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('.', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string part = text.substr(at, end - at);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoi(part) > 255) {
            return false;
        }
        ++parts;
        at = end + 1;
    }
    return parts == 4;
}

bool IsDnsName(const std::string& text) {
    if (text.empty() || text.size() > 253 || text.front() == '.' || text.front() == '-') {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '.';
    });
}

VideoEncoder MakeEncoder(int channel, int stream, unsigned seed) {
    const StreamOptions& options = OptionsOfStream(stream);
    VideoEncoder e;
    e.token = "VideoEncoder_" + std::to_string(channel) + "_" + std::to_string(stream + 1);
    e.name = stream == 0 ? "MainStream" : "SubStream";
    e.width = options.resolutions[seed % 2].first;
    e.height = options.resolutions[seed % 2].second;
    e.frameRate = stream == 0 ? 25 : 15;
    e.bitrate = stream == 0 ? 4096 - 512 * static_cast<int>(seed % 3) : 512;
    e.govLength = stream == 0 ? 50 : 30;
    e.quality = 50 + static_cast<int>(seed % 5) * 5;
    return e;
}

}  // namespace

const StreamOptions& OptionsOfStream(int stream) {
    static const StreamOptions kMain{
        {{1920, 1080}, {2560, 1440}, {1280, 720}, {3840, 2160}}, 30, 256, 16384};
    static const StreamOptions kSub{{{640, 360}, {704, 576}, {640, 480}, {352, 288}}, 25, 64, 2048};
    return stream == 0 ? kMain : kSub;
}

const std::vector<std::string>& DateFormats() {
    static const std::vector<std::string> kFormats{
        "M/d/yyyy",   "MM/dd/yyyy",          "dd/MM/yyyy",    "yyyy/MM/dd",
        "yyyy-MM-dd", "dddd, MMMM dd, yyyy", "MMMM dd, yyyy", "dd MMMM, yyyy"};
    return kFormats;
}

const std::vector<std::string>& TimeFormats() {
    static const std::vector<std::string> kFormats{"h:mm:ss tt", "hh:mm:ss tt", "H:mm:ss",
                                                   "HH:mm:ss"};
    return kFormats;
}

const std::vector<std::string>& OsdPositions() {
    static const std::vector<std::string> kPositions{"UpperLeft", "UpperRight", "LowerLeft",
                                                     "LowerRight"};
    return kPositions;
}

const std::vector<AudioOptions>& AudioEncodings() {
    static const std::vector<AudioOptions> kOptions{{"G711", {64}, {8}},
                                                    {"G726", {16, 24, 32, 40}, {8}},
                                                    {"AAC", {32, 64, 96, 128}, {16, 32, 48}}};
    return kOptions;
}

std::optional<std::string> CheckVideoEncoder(const VideoEncoder& e, int stream) {
    const StreamOptions& o = OptionsOfStream(stream);
    const std::string which = stream == 0 ? "主码流" : "子码流";
    if (e.encoding != "H264" && e.encoding != "H265" && e.encoding != "JPEG") {
        return "编码 " + e.encoding + " 不支持（支持：H264, H265, JPEG）";
    }
    if (std::find(o.resolutions.begin(), o.resolutions.end(), std::make_pair(e.width, e.height)) ==
        o.resolutions.end()) {
        return which + "不支持分辨率 " + std::to_string(e.width) + "x" + std::to_string(e.height);
    }
    if (e.frameRate < 1 || e.frameRate > o.frameRateMax) {
        return "帧率 " + std::to_string(e.frameRate) + " 超出范围 " + Range(1, o.frameRateMax);
    }
    if (e.bitrate < o.bitrateMin || e.bitrate > o.bitrateMax) {
        return "码率 " + std::to_string(e.bitrate) + " 超出范围 " +
               Range(o.bitrateMin, o.bitrateMax);
    }
    if (e.govLength < kGovMin || e.govLength > kGovMax) {
        return "GOP 长度 " + std::to_string(e.govLength) + " 超出范围 " + Range(kGovMin, kGovMax);
    }
    if (e.quality < kQualityMin || e.quality > kQualityMax) {
        return "图像质量 " + std::to_string(e.quality) + " 超出范围 " +
               Range(kQualityMin, kQualityMax);
    }
    if (e.encodingInterval < 1 || e.encodingInterval > 30) {
        return "编码间隔 " + std::to_string(e.encodingInterval) + " 超出范围 1..30";
    }
    const bool h264 = e.profile == "Baseline" || e.profile == "Main" || e.profile == "High";
    if ((e.encoding == "H264" && !h264) || (e.encoding == "H265" && e.profile != "Main")) {
        return e.encoding + " 不支持档次 " + e.profile;
    }
    return std::nullopt;
}

std::optional<std::string> CheckAudioEncoder(const AudioEncoder& e) {
    for (const AudioOptions& o : AudioEncodings()) {
        if (o.encoding != e.encoding) {
            continue;
        }
        if (std::find(o.bitrates.begin(), o.bitrates.end(), e.bitrate) == o.bitrates.end()) {
            return e.encoding + " 不支持音频码率 " + std::to_string(e.bitrate);
        }
        if (std::find(o.sampleRates.begin(), o.sampleRates.end(), e.sampleRate) ==
            o.sampleRates.end()) {
            return e.encoding + " 不支持采样率 " + std::to_string(e.sampleRate);
        }
        return std::nullopt;
    }
    return "音频编码 " + e.encoding + " 不支持（支持：G711, G726, AAC）";
}

std::optional<std::string> CheckOsd(const Osd& osd, bool dateOsd) {
    if (!Contains(OsdPositions(), osd.position)) {
        return "OSD 位置 " + osd.position + " 不支持";
    }
    if (!dateOsd) {
        if (osd.textType != "Plain") {
            return "OSD " + osd.token + " 只能显示普通文字";
        }
        if (osd.plainText.size() > static_cast<size_t>(kOsdTextMax)) {
            return "OSD 文字超过 " + std::to_string(kOsdTextMax) + " 字节";
        }
        return std::nullopt;
    }
    if (osd.textType != "Date" && osd.textType != "Time" && osd.textType != "DateAndTime") {
        return "OSD " + osd.token + " 只能显示 Date、Time 或 DateAndTime，不能显示 " + osd.textType;
    }
    if (osd.textType != "Time" && !Contains(DateFormats(), osd.dateFormat)) {
        return "日期格式 " + osd.dateFormat + " 不支持";
    }
    if (osd.textType != "Date" && !Contains(TimeFormats(), osd.timeFormat)) {
        return "时间格式 " + osd.timeFormat + " 不支持";
    }
    return std::nullopt;
}

std::optional<std::string> CheckImaging(const Imaging& i) {
    const std::pair<const char*, int> values[] = {{"亮度", i.brightness},
                                                  {"对比度", i.contrast},
                                                  {"饱和度", i.saturation},
                                                  {"锐度", i.sharpness},
                                                  {"宽动态级别", i.wdrLevel}};
    for (const auto& [name, value] : values) {
        if (value < 0 || value > 100) {
            return std::string(name) + " " + std::to_string(value) + " 超出范围 0..100";
        }
    }
    return std::nullopt;
}

std::optional<std::string> CheckNtp(const std::vector<NtpServer>& servers) {
    if (servers.size() > kNtpServersMax) {
        return "最多 " + std::to_string(kNtpServersMax) + " 个 NTP 服务器";
    }
    for (const NtpServer& s : servers) {
        if (s.type == "IPv4"  ? !IsIpv4(s.address)
            : s.type == "DNS" ? !IsDnsName(s.address)
                              : true) {
            return "NTP 服务器 " + s.type + " \"" + s.address + "\" 无效";
        }
    }
    return std::nullopt;
}

std::optional<std::string> CheckDot11(const Dot11Settings& w) {
    if (w.ssid.empty() || w.ssid.size() > 32) {
        return "SSID 须为 1 到 32 字节";
    }
    if (w.mode != "Infrastructure") {
        return "Wi-Fi 模式 " + w.mode + " 不支持（支持：Infrastructure）";
    }
    if (w.securityMode == "None") {
        return std::nullopt;
    }
    if (w.securityMode != "PSK") {
        return "Wi-Fi 安全方式 " + w.securityMode + " 不支持（支持：None, PSK）";
    }
    if (w.algorithm != "CCMP" && w.algorithm != "TKIP" && w.algorithm != "Any") {
        return "Wi-Fi 加密算法 " + w.algorithm + " 不支持（支持：CCMP, TKIP, Any）";
    }
    if (w.passphrase.size() < 8 || w.passphrase.size() > 63) {
        return "Wi-Fi 密码须为 8 到 63 个字符";
    }
    return std::nullopt;
}

CameraState DefaultState(const std::string& serial, const std::vector<int>& channels,
                         const std::string& name) {
    const unsigned seed = static_cast<unsigned>(std::hash<std::string>{}(serial));
    CameraState state;
    state.ntp = {{"DNS", "pool.ntp.org"}};
    state.wifi.ssid = "lab-" + serial.substr(0, 20);
    state.wifi.passphrase = "lab-passphrase";
    for (int number : channels) {
        Channel c;
        const std::string n = std::to_string(number);
        c.number = number;
        c.main = MakeEncoder(number, 0, seed + static_cast<unsigned>(number));
        c.sub = MakeEncoder(number, 1, seed + static_cast<unsigned>(number));
        c.audio.token = "AudioEncoder_" + n;
        c.dateOsd = {"OSD_" + n + "_date", "DateAndTime", "yyyy-MM-dd", "HH:mm:ss", "",
                     "UpperLeft"};
        const std::string label = (name.empty() ? serial : name) + " " + n;
        c.nameOsd = {"OSD_" + n + "_name",         "Plain",     "", "",
                     label.substr(0, kOsdTextMax), "LowerRight"};
        state.channels.push_back(c);
    }
    return state;
}

Json::Value StateToJson(const CameraState& state) {
    return ToJson(state);
}

bool StateFromJson(const Json::Value& json, CameraState& state) {
    CameraState read;
    if (!FromJson(json, read) || read.channels.empty()) {
        return false;
    }
    state = std::move(read);
    return true;
}

}  // namespace orvex::lab::onvif
