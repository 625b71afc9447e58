// The ONVIF device service (ver10) as the driver uses it: service addresses, device
// information, NTP, the 802.11 interface and the Wi-Fi scan.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <vector>

#include "platform/onvif/onvif_soap.h"

namespace orvex::onvif {

// The paths of the services a camera offers; empty for one it does not.
struct ServicePaths {
    std::string device = "/onvif/device_service";
    std::string media;
    std::string media2;
    std::string imaging;
    std::string analytics;
};

struct DeviceInformation {
    std::string manufacturer;
    std::string model;
    std::string firmware;
    std::string serial;
};

struct NtpHost {
    std::string type;  // "IPv4", "IPv6" or "DNS"
    std::string address;
    bool operator==(const NtpHost&) const = default;
};

struct NtpSettings {
    bool fromDhcp = false;
    std::vector<NtpHost> manual;
};

// The camera's 802.11 interface as GetNetworkInterfaces reports it.
struct Dot11 {
    bool present = false;
    std::string token;
    std::string ssid;  // the bytes (hexBinary on the wire)
    std::string mode = "Infrastructure";
    std::string alias;
    int priority = 0;
    std::string securityMode;  // "None", "WEP", "PSK", "Dot1X", "Extended"
    std::string algorithm;     // "CCMP", "TKIP", "Any"
    std::string passphrase;    // only when the camera reports it (most keep it write-only)
};

// What to change on the 802.11 interface; the rest stays as the camera has it.
struct Dot11Change {
    std::string ssid;
    std::string securityMode;
    std::string algorithm;
    std::string passphrase;  // empty: the camera keeps the one it has
};

struct Dot11Network {
    std::string ssid;
    std::string bssid;
};

// Pure readers of answers (the fuzzer feeds them); any thread.
void ParseServices(pugi::xml_node getServicesResponse, ServicePaths& paths);
DeviceInformation ParseDeviceInformation(pugi::xml_node answer);
NtpSettings ParseNtp(pugi::xml_node getNtpResponse);
Dot11 ParseDot11(pugi::xml_node getNetworkInterfacesResponse);
std::vector<Dot11Network> ParseNetworks(pugi::xml_node scanResponse);
// The path of an http(s) URL ("/onvif/media"); "" for text that is not one.
std::string PathOfUrl(const std::string& url);
// "4C61622D31" -> "Lab-1"; nothing for text that is not hexBinary.
std::optional<std::string> FromHex(const std::string& text);
std::string ToHex(const std::string& bytes);

// The calls: each true with the result filled, or false with `reply` saying why. Any thread.
bool GetServices(SoapClient& client, ServicePaths& paths, Reply& reply);
bool GetDeviceInformation(SoapClient& client, const ServicePaths& paths, DeviceInformation& info,
                          Reply& reply);
bool GetNtp(SoapClient& client, const ServicePaths& paths, NtpSettings& ntp, Reply& reply);
bool SetNtp(SoapClient& client, const ServicePaths& paths, const NtpSettings& ntp, Reply& reply);
bool GetDot11(SoapClient& client, const ServicePaths& paths, Dot11& wifi, Reply& reply);
bool SetDot11(SoapClient& client, const ServicePaths& paths, const Dot11& now,
              const Dot11Change& change, Reply& reply);
bool ScanDot11(SoapClient& client, const ServicePaths& paths, const std::string& token,
               std::vector<Dot11Network>& networks, Reply& reply);

}  // namespace orvex::onvif
