#include "platform/onvif/onvif_device.h"

#include "platform/onvif/onvif_xml.h"

namespace orvex::onvif {
namespace {

bool Unsupported(Reply& reply, const char* what) {
    reply.failure = Failure::kUnsupported;
    reply.reason = what;
    return false;
}

}  // namespace

std::string PathOfUrl(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) {
        return "";
    }
    const size_t path = url.find('/', scheme + 3);
    return path == std::string::npos ? "/" : url.substr(path);
}

std::optional<std::string> FromHex(const std::string& text) {
    const auto value = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = 0; i < text.size(); i += 2) {
        if (value(text[i]) < 0 || value(text[i + 1]) < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(value(text[i]) * 16 + value(text[i + 1]));
    }
    return out;
}

std::string ToHex(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

void ParseServices(pugi::xml_node answer, ServicePaths& paths) {
    const std::pair<const char*, std::string*> known[] = {{kDeviceNs, &paths.device},
                                                          {kMediaNs, &paths.media},
                                                          {kMedia2Ns, &paths.media2},
                                                          {kImagingNs, &paths.imaging},
                                                          {kAnalyticsNs, &paths.analytics}};
    for (pugi::xml_node s : Children(answer, kDeviceNs, "Service")) {
        const std::string ns = ChildText(s, kDeviceNs, "Namespace").value_or("");
        const std::string path = PathOfUrl(ChildText(s, kDeviceNs, "XAddr").value_or(""));
        for (const auto& [name, target] : known) {
            if (ns == name && !path.empty()) {
                *target = path;
            }
        }
    }
}

DeviceInformation ParseDeviceInformation(pugi::xml_node answer) {
    DeviceInformation info;
    info.manufacturer = ChildText(answer, kDeviceNs, "Manufacturer").value_or("");
    info.model = ChildText(answer, kDeviceNs, "Model").value_or("");
    info.firmware = ChildText(answer, kDeviceNs, "FirmwareVersion").value_or("");
    info.serial = ChildText(answer, kDeviceNs, "SerialNumber").value_or("");
    return info;
}

NtpSettings ParseNtp(pugi::xml_node answer) {
    NtpSettings ntp;
    pugi::xml_node info = Child(answer, kDeviceNs, "NTPInformation");
    ntp.fromDhcp = ParseBool(ChildText(info, kSchemaNs, "FromDHCP").value_or("")).value_or(false);
    for (pugi::xml_node host : Children(info, kSchemaNs, "NTPManual")) {
        NtpHost h;
        h.type = ChildText(host, kSchemaNs, "Type").value_or("");
        const char* field = h.type == "IPv4"   ? "IPv4Address"
                            : h.type == "IPv6" ? "IPv6Address"
                                               : "DNSname";
        h.address = ChildText(host, kSchemaNs, field).value_or("");
        ntp.manual.push_back(std::move(h));
    }
    return ntp;
}

Dot11 ParseDot11(pugi::xml_node answer) {
    Dot11 wifi;
    for (pugi::xml_node n : Children(answer, kDeviceNs, "NetworkInterfaces")) {
        pugi::xml_node extension = Child(n, kSchemaNs, "Extension");
        pugi::xml_node dot11 = Child(extension, kSchemaNs, "Dot11");
        if (!dot11 && ChildInt(extension, "InterfaceType").value_or(0) != 71) {
            continue;  // not an 802.11 interface (IANA ifType 71)
        }
        wifi.present = true;
        wifi.token = n.attribute("token").value();
        wifi.ssid = FromHex(ChildText(dot11, kSchemaNs, "SSID").value_or("")).value_or("");
        wifi.mode = ChildText(dot11, kSchemaNs, "Mode").value_or("Infrastructure");
        wifi.alias = ChildText(dot11, kSchemaNs, "Alias").value_or(wifi.token);
        wifi.priority = ChildInt(dot11, "Priority").value_or(0);
        pugi::xml_node security = Child(dot11, kSchemaNs, "Security");
        wifi.securityMode = ChildText(security, kSchemaNs, "Mode").value_or("None");
        wifi.algorithm = ChildText(security, kSchemaNs, "Algorithm").value_or("");
        wifi.passphrase =
            ChildText(Child(security, kSchemaNs, "PSK"), kSchemaNs, "Passphrase").value_or("");
        break;
    }
    return wifi;
}

std::vector<Dot11Network> ParseNetworks(pugi::xml_node answer) {
    std::vector<Dot11Network> networks;
    for (pugi::xml_node n : Children(answer, kDeviceNs, "Networks")) {
        Dot11Network network;
        const std::string hex = ChildText(n, kSchemaNs, "SSID").value_or("");
        network.ssid = FromHex(hex).value_or(hex);
        network.bssid = ChildText(n, kSchemaNs, "BSSID").value_or("");
        networks.push_back(std::move(network));
    }
    return networks;
}

bool GetServices(SoapClient& client, ServicePaths& paths, Reply& reply) {
    client.callAnonymous(
        paths.device, kDeviceNs, "GetServices",
        [](pugi::xml_node op) { op.append_child("tds:IncludeCapability").text().set("false"); },
        reply);
    if (!reply.ok()) {
        return false;
    }
    ParseServices(reply.answer, paths);
    return true;
}

bool GetDeviceInformation(SoapClient& client, const ServicePaths& paths, DeviceInformation& info,
                          Reply& reply) {
    return CallAndRead(
        client, paths.device, kDeviceNs, "GetDeviceInformation", nullptr,
        [&](pugi::xml_node answer) { info = ParseDeviceInformation(answer); }, reply);
}

bool GetNtp(SoapClient& client, const ServicePaths& paths, NtpSettings& ntp, Reply& reply) {
    return CallAndRead(
        client, paths.device, kDeviceNs, "GetNTP", nullptr,
        [&](pugi::xml_node answer) { ntp = ParseNtp(answer); }, reply);
}

bool SetNtp(SoapClient& client, const ServicePaths& paths, const NtpSettings& ntp, Reply& reply) {
    client.call(
        paths.device, kDeviceNs, "SetNTP",
        [&](pugi::xml_node op) {
            op.append_child("tds:FromDHCP").text().set(ntp.fromDhcp ? "true" : "false");
            for (const NtpHost& h : ntp.manual) {
                pugi::xml_node host = op.append_child("tds:NTPManual");
                host.append_child("tt:Type").text().set(h.type.c_str());
                const char* field = h.type == "IPv4"   ? "tt:IPv4Address"
                                    : h.type == "IPv6" ? "tt:IPv6Address"
                                                       : "tt:DNSname";
                host.append_child(field).text().set(h.address.c_str());
            }
        },
        reply);
    return reply.ok();
}

bool GetDot11(SoapClient& client, const ServicePaths& paths, Dot11& wifi, Reply& reply) {
    return CallAndRead(
        client, paths.device, kDeviceNs, "GetNetworkInterfaces", nullptr,
        [&](pugi::xml_node answer) { wifi = ParseDot11(answer); }, reply);
}

bool SetDot11(SoapClient& client, const ServicePaths& paths, const Dot11& now,
              const Dot11Change& change, Reply& reply) {
    if (!now.present) {
        return Unsupported(reply, "摄像机没有无线网卡");
    }
    // Only the interface's 802.11 part is sent: the wired settings and the addresses stay as
    // the camera has them (an absent element of a set keeps its value).
    client.call(
        paths.device, kDeviceNs, "SetNetworkInterfaces",
        [&](pugi::xml_node op) {
            op.append_child("tds:InterfaceToken").text().set(now.token.c_str());
            pugi::xml_node n = op.append_child("tds:NetworkInterface");
            pugi::xml_node dot11 = n.append_child("tt:Extension").append_child("tt:Dot11");
            dot11.append_child("tt:SSID").text().set(ToHex(change.ssid).c_str());
            dot11.append_child("tt:Mode").text().set(now.mode.c_str());
            dot11.append_child("tt:Alias").text().set(now.alias.c_str());
            dot11.append_child("tt:Priority").text().set(now.priority);
            pugi::xml_node security = dot11.append_child("tt:Security");
            security.append_child("tt:Mode").text().set(change.securityMode.c_str());
            if (change.securityMode == "PSK") {
                security.append_child("tt:Algorithm").text().set(change.algorithm.c_str());
                if (!change.passphrase.empty()) {
                    security.append_child("tt:PSK")
                        .append_child("tt:Passphrase")
                        .text()
                        .set(change.passphrase.c_str());
                }
            }
        },
        reply);
    return reply.ok();
}

bool ScanDot11(SoapClient& client, const ServicePaths& paths, const std::string& token,
               std::vector<Dot11Network>& networks, Reply& reply) {
    return CallAndRead(
        client, paths.device, kDeviceNs, "ScanAvailableDot11Networks",
        [&](pugi::xml_node op) { op.append_child("tds:InterfaceToken").text().set(token.c_str()); },
        [&](pugi::xml_node answer) { networks = ParseNetworks(answer); }, reply);
}

}  // namespace orvex::onvif
