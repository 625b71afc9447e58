#include "platform/rprov/rprov_onvif_driver.h"

#include "platform/onvif/onvif_analytics.h"
#include "platform/onvif/onvif_imaging.h"
#include "platform/onvif/onvif_media.h"
#include "platform/onvif/onvif_media2.h"
#include "platform/rprov/rprov_onvif_mapping.h"

namespace orvex::rprov {
namespace {

using onvif::Failure;
using onvif::Reply;

// The moreInfo of an item or a part the camera has no counterpart for.
constexpr char kNotSupported[] = "该摄像机不支持此配置项";

DriverResult FromReply(const Reply& reply) {
    return {reply.failure, reply.reason};
}

DriverResult Succeeded(std::string message = {}) {
    return {Failure::kNone, std::move(message)};
}

// A part a camera may lack: true (and the part stays absent) when the camera says it does not
// offer it; false for any other failure, which fails the whole read.
bool Absent(const Reply& reply) {
    return reply.failure == Failure::kUnsupported;
}

bool IsIpv4Address(const std::string& text) {
    int dots = 0;
    for (char c : text) {
        if (c == '.') {
            ++dots;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return dots == 3;
}

}  // namespace

OnvifDriver::OnvifDriver(const std::string& host, int32_t port, const std::string& user,
                         const std::string& password, onvif::HttpLimits limits)
    : client_(host, port, user, password, limits) {}

DriverResult OnvifDriver::login(LoginDeviceInfo& info) {
    Reply reply;
    if (!client_.syncClock(reply) || !onvif::GetServices(client_, paths_, reply) ||
        !onvif::GetDeviceInformation(client_, paths_, device_, reply)) {
        return FromReply(reply);
    }
    info.clear();
    info.setDeviceName(device_.model.empty() ? device_.manufacturer : device_.model);
    info.setSerialNumber(device_.serial);
    return Succeeded();
}

DriverResult OnvifDriver::checkSerial(const std::string& serial) const {
    if (serial != device_.serial) {
        return {Failure::kWrongSerial,
                "the camera's serial is " + device_.serial + ", not " + serial};
    }
    return Succeeded();
}

DriverResult OnvifDriver::readChannel(int32_t channelNo, unsigned parts, OnvifChannel& c) {
    Reply reply;
    if (paths_.media.empty()) {
        return {Failure::kUnsupported, "the camera offers no media service"};
    }
    std::vector<std::string> sources;
    std::vector<onvif::Profile> profiles;
    if (!onvif::GetVideoSources(client_, paths_.media, sources, reply) ||
        !onvif::GetProfiles(client_, paths_.media, profiles, reply)) {
        return FromReply(reply);
    }
    if (channelNo < 1 || static_cast<size_t>(channelNo) > sources.size()) {
        return {Failure::kDevice, "the camera has no channel " + std::to_string(channelNo)};
    }
    c.channelNo = channelNo;
    c.name = "Camera " + std::to_string(channelNo);
    const std::string& source = sources[static_cast<size_t>(channelNo - 1)];
    int found = 0;
    for (const onvif::Profile& p : profiles) {
        if (p.sourceToken == source && !p.encoder.token.empty() && found < 2) {
            c.streams[found].present = true;
            c.streams[found].profile = p;
            c.streams[found].encoder = p.encoder;
            ++found;
        }
    }
    if (found == 0) {
        return {Failure::kDevice, "channel " + std::to_string(channelNo) + " has no stream"};
    }
    const onvif::Profile& main = c.streams[0].profile;
    if (parts & kStreams) {
        c.media2 = !paths_.media2.empty();
        for (OnvifStream& s : c.streams) {
            if (!s.present || !c.media2) {
                continue;
            }
            onvif::VideoEncoder encoder;
            if (onvif::GetEncoder2(client_, paths_.media2, s.encoder.token, encoder, reply)) {
                s.encoder = encoder;
            } else if (Absent(reply)) {
                c.media2 = false;  // Media alone then: H.264 and variable bitrate as ver10 says
            } else {
                return FromReply(reply);
            }
        }
        if (!c.media2) {
            for (OnvifStream& s : c.streams) {
                s.encoder = s.profile.encoder;
            }
        }
        for (OnvifStream& s : c.streams) {
            if (!s.present || !(parts & kOptions)) {
                continue;
            }
            const bool ok = c.media2 ? onvif::GetEncoderOptions2(client_, paths_.media2,
                                                                 s.encoder.token, s.options, reply)
                                     : onvif::GetEncoderOptions(client_, paths_.media, s.profile,
                                                                s.options, reply);
            if (!ok) {
                return FromReply(reply);
            }
        }
        if (!main.audioEncoderToken.empty()) {
            onvif::AudioEncoder audio;
            if (!onvif::GetAudioEncoder(client_, paths_.media, main.audioEncoderToken, audio,
                                        reply) ||
                !onvif::GetAudioOptions(client_, paths_.media, main.audioEncoderToken,
                                        c.audioOptions, reply)) {
                return FromReply(reply);
            }
            c.audio = audio;
        }
    }
    if ((parts & kNtp) && !onvif::GetNtp(client_, paths_, c.ntp, reply)) {
        return FromReply(reply);
    }
    if ((parts & kWifi) && !onvif::GetDot11(client_, paths_, c.wifi, reply)) {
        return FromReply(reply);
    }
    if ((parts & kImaging) && !paths_.imaging.empty()) {
        onvif::ImagingSettings imaging;
        if (onvif::GetImaging(client_, paths_.imaging, source, imaging, reply)) {
            c.imaging = imaging;
            if ((parts & kOptions) && !onvif::GetImagingOptions(client_, paths_.imaging, source,
                                                                c.imagingOptions, reply)) {
                return FromReply(reply);
            }
        } else if (!Absent(reply)) {
            return FromReply(reply);
        }
    }
    if (parts & kOsd) {
        std::vector<onvif::Osd> osds;
        if (onvif::GetOsds(client_, paths_.media, main.sourceConfigToken, osds, reply)) {
            c.osd = true;
            for (const onvif::Osd& o : osds) {
                const bool plain = o.textType == "Plain";
                if (plain && !c.nameOsd) {
                    c.nameOsd = o;
                } else if (!plain && !c.dateOsd) {
                    c.dateOsd = o;
                }
            }
            if ((parts & kOptions) &&
                !onvif::GetOsdOptions(client_, paths_.media, main.sourceConfigToken, c.osdOptions,
                                      reply)) {
                return FromReply(reply);
            }
        } else if (!Absent(reply)) {
            return FromReply(reply);
        }
    }
    c.analyticsToken = main.analyticsToken;
    if ((parts & kMotion) && !paths_.analytics.empty() && !c.analyticsToken.empty()) {
        onvif::CellMotion motion;
        if (onvif::GetCellMotion(client_, paths_.analytics, c.analyticsToken, motion, reply)) {
            if (!motion.moduleName.empty() || !motion.ruleName.empty()) {
                c.motion = motion;
            }
        } else if (!Absent(reply)) {
            return FromReply(reply);
        }
    }
    return Succeeded();
}

DriverResult OnvifDriver::getConfig(const std::string& serial, int32_t channelNo,
                                    DeviceConfig& config) {
    if (DriverResult r = checkSerial(serial); !r.ok()) {
        return r;
    }
    OnvifChannel channel;
    if (DriverResult r = readChannel(channelNo, kAll, channel); !r.ok()) {
        return r;
    }
    FillRecord(channel, config);
    return Succeeded();
}

DriverResult OnvifDriver::getRange(const std::string& serial, int32_t channelNo,
                                   ConfigRange& range) {
    if (DriverResult r = checkSerial(serial); !r.ok()) {
        return r;
    }
    OnvifChannel channel;
    if (DriverResult r = readChannel(channelNo, kAll, channel); !r.ok()) {
        return r;
    }
    range = MakeRange(channel, serial);
    return Succeeded();
}

DriverResult OnvifDriver::getWifi(WifiScanList& list) {
    Reply reply;
    onvif::Dot11 wifi;
    if (!onvif::GetDot11(client_, paths_, wifi, reply)) {
        return FromReply(reply);
    }
    if (!wifi.present) {
        return {Failure::kUnsupported, kNotSupported};
    }
    std::vector<onvif::Dot11Network> networks;
    if (!onvif::ScanDot11(client_, paths_, wifi.token, networks, reply)) {
        return FromReply(reply);
    }
    list = WifiScanList();
    list.setCount(static_cast<int32_t>(networks.size()));
    for (size_t i = 0; i < networks.size() && i < WifiScanList::kMaxEntries; ++i) {
        list.setNetworkName(static_cast<int>(i), networks[i].ssid);
    }
    return Succeeded("找到 " + std::to_string(networks.size()) + " 个网络");
}

DriverResult OnvifDriver::setItem(int32_t item, int32_t channelNo, const uint8_t* block) {
    unsigned parts = 0;
    switch (item) {
        case CFG_ITEM_TIME:
            parts = kNtp;
            break;
        case CFG_ITEM_WIFI:
            parts = kWifi;
            break;
        case CFG_ITEM_MOTION:
        case CFG_ITEM_OSD:
            parts = kMotion | kOsd | kOptions;
            break;
        case CFG_ITEM_COMPRESSION:
            parts = kStreams | kOptions;
            break;
        case CFG_ITEM_IMAGE:
        case CFG_ITEM_COLOR:
            parts = kImaging;
            break;
        default:
            break;
    }
    OnvifChannel channel;
    if (DriverResult r = readChannel(channelNo, parts, channel); !r.ok()) {
        return r;
    }
    return apply(item, channel, {block, ConfigItemSize(item)});
}

DriverResult OnvifDriver::apply(int32_t item, const OnvifChannel& c,
                                std::span<const uint8_t> block) {
    const ItemPlan plan = PlanItem(item, c, block);
    if (!plan.refusal.empty()) {
        return {Failure::kDevice, plan.refusal};
    }
    if (plan.unsupported) {
        return {Failure::kUnsupported, kNotSupported};
    }
    const std::string where = "（通道 " + std::to_string(c.channelNo) + "）";
    if (plan.changesNothing()) {
        return Succeeded("无需更改" + where);
    }
    Reply reply;
    if (plan.ntpAddress) {
        onvif::NtpSettings next = c.ntp;
        next.fromDhcp = false;
        if (plan.ntpAddress->empty()) {
            if (!next.manual.empty()) {
                next.manual.erase(next.manual.begin());
            }
        } else {
            const onvif::NtpHost host{IsIpv4Address(*plan.ntpAddress) ? "IPv4" : "DNS",
                                      *plan.ntpAddress};
            if (next.manual.empty()) {
                next.manual.push_back(host);
            } else {
                next.manual.front() = host;
            }
        }
        if (!onvif::SetNtp(client_, paths_, next, reply)) {
            return FromReply(reply);
        }
    }
    if (plan.wifi && !onvif::SetDot11(client_, paths_, c.wifi, *plan.wifi, reply)) {
        return FromReply(reply);
    }
    if (plan.motionOn && !onvif::SetMotionRule(client_, paths_.analytics, c.analyticsToken,
                                               *c.motion, *plan.motionOn, reply)) {
        return FromReply(reply);
    }
    if (plan.motionSensitivity &&
        !onvif::SetMotionSensitivity(client_, paths_.analytics, c.analyticsToken,
                                     *plan.motionSensitivity, reply)) {
        return FromReply(reply);
    }
    for (int s = 0; s < 2; ++s) {
        const onvif::EncoderChange& change = plan.encoders[s];
        if (change.empty()) {
            continue;
        }
        const std::string& token = c.streams[s].encoder.token;
        const bool ok = c.media2 ? onvif::SetEncoder2(client_, paths_.media2, token, change, reply)
                                 : onvif::SetEncoder(client_, paths_.media, token, change, reply);
        if (!ok) {
            return FromReply(reply);
        }
    }
    if (plan.audio &&
        !onvif::SetAudioEncoder(client_, paths_.media, c.audio->token, *plan.audio, reply)) {
        return FromReply(reply);
    }
    const onvif::ImagingChange& i = plan.imaging;
    if ((i.brightness || i.contrast || i.saturation || i.wdr) &&
        !onvif::SetImaging(client_, paths_.imaging, c.streams[0].profile.sourceToken, i, reply)) {
        return FromReply(reply);
    }
    const onvif::OsdChange& d = plan.dateOsd;
    if ((d.textType || d.dateFormat || d.timeFormat) &&
        !onvif::SetOsd(client_, paths_.media, c.dateOsd->token, d, reply)) {
        return FromReply(reply);
    }
    if (plan.nameOsd.plainText &&
        !onvif::SetOsd(client_, paths_.media, c.nameOsd->token, plan.nameOsd, reply)) {
        return FromReply(reply);
    }
    return Succeeded("已应用" + where);
}

}  // namespace orvex::rprov
