// The device service (ver10): date and time, capabilities and service addresses, device
// information, NTP, network interfaces with 802.11 settings, and the Wi-Fi scan.
#include <cstdio>
#include <ctime>

#include "tools/lab/onvif_auth.h"
#include "tools/lab/onvif_camera.h"
#include "tools/lab/onvif_services.h"

namespace orvex::lab::onvif {
namespace {

constexpr char kWifiToken[] = "wlan0";
constexpr char kWiredToken[] = "eth0";

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

std::string Unhex(const std::string& text, const char* what) {
    const auto value = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string out;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        if (value(text[i]) < 0 || value(text[i + 1]) < 0) {
            break;
        }
        out += static_cast<char>(value(text[i]) * 16 + value(text[i + 1]));
    }
    if (out.size() * 2 != text.size()) {
        throw SoapFault(FaultCode::kInvalidArgVal,
                        std::string(what) + " \"" + text + "\" is not hexBinary");
    }
    return out;
}

bool HasWifi(const OperationContext& c) {
    return !c.faults.noWifi;
}

void GetSystemDateAndTime(OperationContext& c) {
    pugi::xml_node t = c.response.append_child("tds:SystemDateAndTime");
    Add(t, "tt:DateTimeType", c.state.ntpFromDhcp || !c.state.ntp.empty() ? "NTP" : "Manual");
    Add(t, "tt:DaylightSavings", "false");
    Add(t.append_child("tt:TimeZone"), "tt:TZ", "UTC0");
    const std::time_t now = static_cast<std::time_t>(c.now);
    std::tm tm{};
    gmtime_r(&now, &tm);
    for (const char* name : {"tt:UTCDateTime", "tt:LocalDateTime"}) {
        pugi::xml_node dt = t.append_child(name);
        pugi::xml_node time = dt.append_child("tt:Time");
        Add(time, "tt:Hour", tm.tm_hour);
        Add(time, "tt:Minute", tm.tm_min);
        Add(time, "tt:Second", tm.tm_sec);
        pugi::xml_node date = dt.append_child("tt:Date");
        Add(date, "tt:Year", tm.tm_year + 1900);
        Add(date, "tt:Month", tm.tm_mon + 1);
        Add(date, "tt:Day", tm.tm_mday);
    }
}

bool Offered(const OperationContext& c, const std::string& service) {
    return c.faults.unsupported.count(service) == 0 &&
           !(service == "analytics" && c.faults.noAnalytics);
}

void GetCapabilities(OperationContext& c) {
    pugi::xml_node caps = c.response.append_child("tds:Capabilities");
    if (Offered(c, "analytics")) {
        pugi::xml_node a = caps.append_child("tt:Analytics");
        Add(a, "tt:XAddr", c.baseUrl + ServicePath("analytics"));
        Add(a, "tt:RuleSupport", "true");
        Add(a, "tt:AnalyticsModuleSupport", "true");
    }
    pugi::xml_node device = caps.append_child("tt:Device");
    Add(device, "tt:XAddr", c.baseUrl + ServicePath("device"));
    pugi::xml_node network = device.append_child("tt:Network");
    Add(network, "tt:IPFilter", "false");
    Add(network, "tt:ZeroConfiguration", "false");
    Add(network, "tt:IPVersion6", "false");
    Add(network, "tt:DynDNS", "false");
    pugi::xml_node extension = network.append_child("tt:Extension");
    Add(extension, "tt:Dot11Configuration", HasWifi(c) ? "true" : "false");
    pugi::xml_node system = device.append_child("tt:System");
    for (const char* name : {"tt:DiscoveryResolve", "tt:DiscoveryBye", "tt:RemoteDiscovery",
                             "tt:SystemBackup", "tt:SystemLogging", "tt:FirmwareUpgrade"}) {
        Add(system, name, "false");
    }
    pugi::xml_node versions = system.append_child("tt:SupportedVersions");
    Add(versions, "tt:Major", 2);
    Add(versions, "tt:Minor", 60);
    if (Offered(c, "imaging")) {
        Add(caps.append_child("tt:Imaging"), "tt:XAddr", c.baseUrl + ServicePath("imaging"));
    }
    if (Offered(c, "media")) {
        pugi::xml_node media = caps.append_child("tt:Media");
        Add(media, "tt:XAddr", c.baseUrl + ServicePath("media"));
        pugi::xml_node streaming = media.append_child("tt:StreamingCapabilities");
        Add(streaming, "tt:RTPMulticast", "false");
        Add(streaming, "tt:RTP_TCP", "true");
        Add(streaming, "tt:RTP_RTSP_TCP", "true");
    }
}

void GetServices(OperationContext& c) {
    const std::string include = Arg(c, "IncludeCapability", false);
    const bool withCapabilities = !include.empty() && ParseBool(include, "IncludeCapability");
    const std::pair<const char*, const char*> services[] = {{"device", kDeviceNs},
                                                            {"media", kMediaNs},
                                                            {"media2", kMedia2Ns},
                                                            {"imaging", kImagingNs},
                                                            {"analytics", kAnalyticsNs}};
    for (const auto& [name, ns] : services) {
        if (!Offered(c, name)) {
            continue;
        }
        pugi::xml_node s = c.response.append_child("tds:Service");
        Add(s, "tds:Namespace", ns);
        Add(s, "tds:XAddr", c.baseUrl + ServicePath(name));
        if (withCapabilities) {
            // An empty capabilities element per service: the lab's services have no optional
            // features a client must ask about.
            s.append_child("tds:Capabilities");
        }
        pugi::xml_node version = s.append_child("tds:Version");
        Add(version, "tt:Major", 2);
        Add(version, "tt:Minor", 60);
    }
}

void GetServiceCapabilities(OperationContext& c) {
    pugi::xml_node caps = c.response.append_child("tds:Capabilities");
    caps.append_child("tds:Network").append_attribute("Dot11Configuration") =
        HasWifi(c) ? "true" : "false";
    caps.append_child("tds:Security").append_attribute("UsernameToken") = "true";
    caps.append_child("tds:System").append_attribute("DiscoveryResolve") = "false";
}

void GetDeviceInformation(OperationContext& c) {
    Add(c.response, "tds:Manufacturer", "Orvex Lab");
    Add(c.response, "tds:Model", "OXL-IPC" + std::to_string(c.setup.channels.size()));
    Add(c.response, "tds:FirmwareVersion", "V2.6.1 build 240501");
    Add(c.response, "tds:SerialNumber", c.setup.serial);
    Add(c.response, "tds:HardwareId", "OXL-HW-3");
}

void GetNTP(OperationContext& c) {
    pugi::xml_node info = c.response.append_child("tds:NTPInformation");
    Add(info, "tt:FromDHCP", c.state.ntpFromDhcp ? "true" : "false");
    for (const NtpServer& s : c.state.ntp) {
        pugi::xml_node host = info.append_child("tt:NTPManual");
        Add(host, "tt:Type", s.type);
        Add(host, s.type == "IPv4" ? "tt:IPv4Address" : "tt:DNSname", s.address);
    }
}

void SetNTP(OperationContext& c) {
    const bool fromDhcp = ParseBool(Arg(c, "FromDHCP"), "FromDHCP");
    std::vector<NtpServer> servers;
    for (pugi::xml_node host : Children(c.request, kDeviceNs, "NTPManual")) {
        NtpServer s;
        s.type = ChildText(host, kSchemaNs, "Type").value_or("");
        s.address =
            ChildText(host, kSchemaNs, s.type == "IPv4" ? "IPv4Address" : "DNSname").value_or("");
        servers.push_back(s);
    }
    Refuse(CheckNtp(servers));
    c.state.ntpFromDhcp = fromDhcp;
    c.state.ntp = servers;
}

void AddInterface(OperationContext& c, bool wifi) {
    pugi::xml_node n = c.response.append_child("tds:NetworkInterfaces");
    n.append_attribute("token") = wifi ? kWifiToken : kWiredToken;
    Add(n, "tt:Enabled", !wifi || c.state.wifiEnabled ? "true" : "false");
    pugi::xml_node info = n.append_child("tt:Info");
    Add(info, "tt:Name", wifi ? kWifiToken : kWiredToken);
    char mac[18];
    const unsigned h = static_cast<unsigned>(std::hash<std::string>{}(c.setup.serial));
    std::snprintf(mac, sizeof mac, "02:4f:58:%02x:%02x:%02x", (h >> 16) & 255, (h >> 8) & 255,
                  wifi ? (h & 255) ^ 1 : h & 255);
    Add(info, "tt:HwAddress", mac);
    Add(info, "tt:MTU", 1500);
    pugi::xml_node ipv4 = n.append_child("tt:IPv4");
    Add(ipv4, "tt:Enabled", "true");
    pugi::xml_node config = ipv4.append_child("tt:Config");
    if (!wifi) {
        pugi::xml_node manual = config.append_child("tt:Manual");
        Add(manual, "tt:Address", c.setup.address);
        Add(manual, "tt:PrefixLength", 8);
    }
    Add(config, "tt:DHCP", wifi ? "true" : "false");
    pugi::xml_node extension = n.append_child("tt:Extension");
    Add(extension, "tt:InterfaceType", wifi ? 71 : 6);  // IANA ifType: ieee80211, ethernetCsmacd
    if (!wifi) {
        return;
    }
    const Dot11Settings& w = c.state.wifi;
    pugi::xml_node dot11 = extension.append_child("tt:Dot11");
    Add(dot11, "tt:SSID", Hex(w.ssid));
    Add(dot11, "tt:Mode", w.mode);
    Add(dot11, "tt:Alias", w.alias);
    Add(dot11, "tt:Priority", w.priority);
    pugi::xml_node security = dot11.append_child("tt:Security");
    Add(security, "tt:Mode", w.securityMode);
    if (w.securityMode == "PSK") {
        Add(security, "tt:Algorithm", w.algorithm);
        // The passphrase is write-only, as on cameras: an empty PSK element says one is set.
        security.append_child("tt:PSK");
    }
}

void GetNetworkInterfaces(OperationContext& c) {
    AddInterface(c, false);
    if (HasWifi(c)) {
        AddInterface(c, true);
    }
}

// The wired interface's gateway: the first address of the camera's own /24, as on a small site.
std::string GatewayOf(const std::string& address) {
    const size_t last = address.rfind('.');
    return last == std::string::npos ? address : address.substr(0, last) + ".1";
}

void GetNetworkDefaultGateway(OperationContext& c) {
    pugi::xml_node gateway = c.response.append_child("tds:NetworkGateway");
    Add(gateway, "tt:IPv4Address", GatewayOf(c.setup.address));
}

void GetDNS(OperationContext& c) {
    pugi::xml_node dns = c.response.append_child("tds:DNSInformation");
    Add(dns, "tt:FromDHCP", "false");
    pugi::xml_node manual = dns.append_child("tt:DNSManual");
    Add(manual, "tt:Type", "IPv4");
    Add(manual, "tt:IPv4Address", GatewayOf(c.setup.address));
}

void SetNetworkInterfaces(OperationContext& c) {
    const std::string token = Arg(c, "InterfaceToken");
    pugi::xml_node n = Child(c.request, kDeviceNs, "NetworkInterface");
    if (token == kWiredToken) {
        // The wired interface keeps the lab address it listens on; an accepted set changes
        // nothing the camera holds.
        if (std::optional<std::string> enabled = ChildText(n, kSchemaNs, "Enabled")) {
            if (!ParseBool(*enabled, "Enabled")) {
                throw SoapFault(FaultCode::kInvalidArgVal,
                                "the wired interface cannot be disabled");
            }
        }
        Add(c.response, "tds:RebootNeeded", "false");
        return;
    }
    if (token != kWifiToken || !HasWifi(c)) {
        throw SoapFault(FaultCode::kInvalidArgVal, "no network interface \"" + token + "\"");
    }
    bool enabled = c.state.wifiEnabled;
    if (std::optional<std::string> text = ChildText(n, kSchemaNs, "Enabled")) {
        enabled = ParseBool(*text, "Enabled");
    }
    Dot11Settings w = c.state.wifi;
    pugi::xml_node dot11 = Child(Child(n, kSchemaNs, "Extension"), kSchemaNs, "Dot11");
    if (dot11) {
        w.ssid = Unhex(ChildText(dot11, kSchemaNs, "SSID").value_or(""), "SSID");
        w.mode = ChildText(dot11, kSchemaNs, "Mode").value_or(w.mode);
        w.alias = ChildText(dot11, kSchemaNs, "Alias").value_or(w.alias);
        if (std::optional<std::string> p = ChildText(dot11, kSchemaNs, "Priority")) {
            w.priority = ParseInt(*p, "Priority");
        }
        pugi::xml_node security = Child(dot11, kSchemaNs, "Security");
        w.securityMode = ChildText(security, kSchemaNs, "Mode").value_or(w.securityMode);
        w.algorithm = ChildText(security, kSchemaNs, "Algorithm").value_or(w.algorithm);
        pugi::xml_node psk = Child(security, kSchemaNs, "PSK");
        if (std::optional<std::string> phrase = ChildText(psk, kSchemaNs, "Passphrase")) {
            w.passphrase = *phrase;
        } else if (ChildText(psk, kSchemaNs, "Key")) {
            throw SoapFault(FaultCode::kInvalidArgVal,
                            "a raw PSK key is not accepted: send the passphrase");
        }
        if (w.securityMode == "None") {
            w.passphrase.clear();
        }
        Refuse(CheckDot11(w));
    }
    c.state.wifiEnabled = enabled;
    c.state.wifi = w;
    Add(c.response, "tds:RebootNeeded", "false");
}

void GetDot11Capabilities(OperationContext& c) {
    if (!HasWifi(c)) {
        throw SoapFault(FaultCode::kActionNotSupported, "摄像机没有无线网卡");
    }
    pugi::xml_node caps = c.response.append_child("tds:Capabilities");
    Add(caps, "tt:TKIP", "true");
    Add(caps, "tt:ScanAvailableNetworks", "true");
    Add(caps, "tt:MultipleConfiguration", "false");
    Add(caps, "tt:AdHocStationMode", "false");
    Add(caps, "tt:WEP", "false");
}

void ScanAvailableDot11Networks(OperationContext& c) {
    const std::string token = Arg(c, "InterfaceToken");
    if (token != kWifiToken || !HasWifi(c)) {
        throw SoapFault(FaultCode::kInvalidArgVal, "\"" + token + "\" is not an 802.11 interface");
    }
    for (int i = 0; i < c.setup.wifiNetworks; ++i) {
        pugi::xml_node n = c.response.append_child("tds:Networks");
        Add(n, "tt:SSID", Hex("Lab-WiFi-" + std::to_string(i + 1)));
        char bssid[18];
        std::snprintf(bssid, sizeof bssid, "02:11:22:33:%02x:%02x", (i >> 8) & 255, i & 255);
        Add(n, "tt:BSSID", bssid);
        Add(n, "tt:AuthAndMangementSuite", i % 4 == 3 ? "None" : "PSK");
        Add(n, "tt:PairCipher", i % 3 == 2 ? "TKIP" : "CCMP");
        Add(n, "tt:GroupCipher", i % 3 == 2 ? "TKIP" : "CCMP");
        Add(n, "tt:SignalStrength", i % 2 == 0 ? "Good" : "Bad");
    }
}

}  // namespace

std::vector<Operation> DeviceOperations() {
    return {
        {kDeviceNs, "GetSystemDateAndTime", "device", false, false, GetSystemDateAndTime},
        {kDeviceNs, "GetCapabilities", "device", false, false, GetCapabilities},
        {kDeviceNs, "GetServices", "device", false, false, GetServices},
        {kDeviceNs, "GetServiceCapabilities", "device", false, false, GetServiceCapabilities},
        {kDeviceNs, "GetDeviceInformation", "device", true, false, GetDeviceInformation},
        {kDeviceNs, "GetNTP", "device", true, false, GetNTP},
        {kDeviceNs, "SetNTP", "device", true, true, SetNTP},
        {kDeviceNs, "GetNetworkInterfaces", "device", true, false, GetNetworkInterfaces},
        {kDeviceNs, "SetNetworkInterfaces", "device", true, true, SetNetworkInterfaces},
        {kDeviceNs, "GetNetworkDefaultGateway", "device", true, false, GetNetworkDefaultGateway},
        {kDeviceNs, "GetDNS", "device", true, false, GetDNS},
        {kDeviceNs, "GetDot11Capabilities", "device", true, false, GetDot11Capabilities},
        {kDeviceNs, "ScanAvailableDot11Networks", "device", true, false,
         ScanAvailableDot11Networks},
    };
}

}  // namespace orvex::lab::onvif
