#include "tools/lab/onvif_setup.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "tools/lab/cameras_setup.h"

namespace orvex::lab::onvif {
namespace {

bool ToNumber(const std::string& text, long lo, long hi, long& out) {
    try {
        size_t used = 0;
        out = std::stol(text, &used);
        return used == text.size() && out >= lo && out <= hi;
    } catch (const std::exception&) {
        return false;
    }
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) {
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    return parts;
}

bool ReadFaults(const Json::Value& json, const std::string& where, OnvifFaults& f,
                std::string& error) {
    if (json.isNull()) {
        return true;
    }
    if (!json.isObject()) {
        error = where + ": expected an object";
        return false;
    }
    for (const std::string& name : json.getMemberNames()) {
        const Json::Value& v = json[name];
        bool* flag = name == "refuseLogin"     ? &f.refuseLogin
                     : name == "wrongPassword" ? &f.wrongPassword
                     : name == "silent"        ? &f.silent
                     : name == "absent"        ? &f.absent
                     : name == "noWifi"        ? &f.noWifi
                     : name == "noOsd"         ? &f.noOsd
                     : name == "noAnalytics"   ? &f.noAnalytics
                     : name == "nonceReuse"    ? &f.allowNonceReuse
                     : name == "httpDigest"    ? &f.httpDigest
                                               : nullptr;
        std::string* text = name == "failOp"     ? &f.failOp
                            : name == "dropOnOp" ? &f.dropOnOp
                                                 : nullptr;
        if (flag != nullptr && v.isBool()) {
            *flag = v.asBool();
        } else if (text != nullptr && v.isString()) {
            *text = v.asString();
        } else if (name == "delayMs" && v.isInt() && v.asInt() >= 0) {
            f.delayMs = v.asInt();
        } else if (name == "skewSeconds" && v.isInt64()) {
            f.skewSeconds = v.asInt64();
        } else if (name == "unsupported" && v.isArray()) {
            for (const Json::Value& s : v) {
                std::string word = "unsupported=" + s.asString();
                if (!s.isString() || !ApplyFaultWord(word, f, error)) {
                    error = where + ".unsupported: " + (error.empty() ? "expected names" : error);
                    return false;
                }
            }
        } else {
            error = where + "." + name + ": not an ONVIF camera fault of that kind";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ApplyFaultWord(const std::string& word, OnvifFaults& f, std::string& error) {
    const size_t eq = word.find('=');
    const std::string key = word.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
    long number = 0;
    if (word == "none") {
        f = OnvifFaults();
    } else if (word == "refuse-login") {
        f.refuseLogin = true;
    } else if (word == "wrong-password") {
        f.wrongPassword = true;
    } else if (word == "silent") {
        f.silent = true;
    } else if (word == "absent") {
        f.absent = true;
    } else if (word == "no-wifi") {
        f.noWifi = true;
    } else if (word == "no-osd") {
        f.noOsd = true;
    } else if (word == "no-analytics") {
        f.noAnalytics = true;
    } else if (word == "nonce-reuse") {
        f.allowNonceReuse = true;
    } else if (word == "http-digest") {
        f.httpDigest = true;
    } else if (key == "delay" && ToNumber(value, 0, 600000, number)) {
        f.delayMs = static_cast<int32_t>(number);
    } else if (key == "skew" && ToNumber(value, -100L * 365 * 86400, 100L * 365 * 86400, number)) {
        f.skewSeconds = number;
    } else if (key == "fail-op" && !value.empty()) {
        f.failOp = value;
    } else if (key == "drop-on-op" && !value.empty()) {
        f.dropOnOp = value;
    } else if (key == "unsupported" &&
               std::count(ServiceNames().begin(), ServiceNames().end(), value) != 0) {
        f.unsupported.insert(value);
    } else {
        error = "unknown ONVIF camera fault \"" + word +
                "\" (refuse-login, wrong-password, silent, absent, delay=MS, fail-op=NAME, "
                "drop-on-op=NAME, skew=SECONDS, unsupported=device|media|media2|imaging|"
                "analytics, no-wifi, no-osd, no-analytics, nonce-reuse, http-digest, none)";
        return false;
    }
    return true;
}

bool IsOnvifCameraText(const std::string& text) {
    const std::vector<std::string> parts = SplitCommas(text);
    return std::count(parts.begin(), parts.end(), "kind=onvif") != 0;
}

bool ParseSetup(const std::string& text, OnvifSetup& setup, std::string& error) {
    // The place, password and channels read as for every lab camera; the rest is ONVIF's own.
    std::string common;
    OnvifFaults faults;
    bool discovery = false;
    std::string user = "admin";
    for (const std::string& part : SplitCommas(text)) {
        const std::string key = part.substr(0, part.find('='));
        if (key == "serial" || key == "address" || key == "port" || key == "password" ||
            key == "channels" || key == "wifi" || key == "name") {
            common += part + ",";
        } else if (part == "kind=onvif") {
        } else if (part == "discovery") {
            discovery = true;
        } else if (key == "user" && part.size() > 5) {
            user = part.substr(5);
        } else if (!ApplyFaultWord(part, faults, error)) {
            return false;
        }
    }
    CameraSetup camera;
    if (!ParseCameraSetup(common, camera, error)) {
        return false;
    }
    setup = FromCameraSetup(camera);
    setup.faults = faults;
    setup.discovery = discovery;
    setup.username = user;
    return true;
}

OnvifSetup FromCameraSetup(const CameraSetup& camera) {
    OnvifSetup setup;
    setup.serial = camera.serial;
    setup.name = camera.name;
    setup.address = camera.address;
    setup.port = camera.port;
    setup.password = camera.password;
    setup.wifiNetworks = camera.wifiNetworks;
    setup.channels.clear();
    for (int32_t c : camera.channels) {
        if (c >= 1) {  // video sources count from 1; a fleet's channel 0 names none
            setup.channels.push_back(c);
        }
    }
    if (setup.channels.empty()) {
        setup.channels = {1};
    }
    return setup;
}

void SplitFleet(const Fleet& fleet, Fleet& others, Fleet& onvif) {
    others.source = onvif.source = fleet.source;
    others.groups.clear();
    onvif.groups.clear();
    for (const FleetGroup& group : fleet.groups) {
        FleetGroup a = group, b = group;
        a.cameras.clear();
        b.cameras.clear();
        for (const FleetCamera& camera : group.cameras) {
            (Lower(camera.record.devType) == "onvif" ? b : a).cameras.push_back(camera);
        }
        others.groups.push_back(a);
        if (!b.cameras.empty()) {
            onvif.groups.push_back(b);
        }
    }
}

bool SetupsFromFleet(const Fleet& fleet, std::vector<OnvifSetup>& setups,
                     std::vector<CameraSetup>& generic, std::string& error) {
    // The members every lab camera shares are read by the device-protocol reader, with the
    // ONVIF-only members taken out first.
    Fleet common = fleet;
    for (FleetGroup& group : common.groups) {
        for (FleetCamera& camera : group.cameras) {
            if (camera.source["device"].isObject()) {
                for (const char* member : {"faults", "discovery", "userName"}) {
                    camera.source["device"].removeMember(member);
                }
            }
        }
    }
    std::vector<CameraSetup> cameras;
    if (!CameraSetupsFromFleet(common, cameras, error)) {
        return false;
    }
    for (const CameraSetup& camera : cameras) {
        OnvifSetup setup = FromCameraSetup(camera);
        for (size_t g = 0; g < fleet.groups.size(); ++g) {
            const std::vector<FleetCamera>& list = fleet.groups[g].cameras;
            const auto found = std::find_if(list.begin(), list.end(), [&](const FleetCamera& c) {
                return c.record.serial == camera.serial && c.source.isMember("device");
            });
            if (found == list.end()) {
                continue;
            }
            const Json::Value& device = found->source["device"];
            const std::string where = "groups[" + std::to_string(g) + "].cameras[" +
                                      std::to_string(found - list.begin()) + "].device";
            if (!ReadFaults(device["faults"], where + ".faults", setup.faults, error)) {
                return false;
            }
            setup.discovery = device["discovery"].asBool();
            const Json::Value& user =
                device.isMember("userName") ? device["userName"] : found->source["userName"];
            setup.username = user.isString() ? user.asString() : "admin";
            break;
        }
        setups.push_back(setup);
        generic.push_back(camera);
    }
    return true;
}

bool SetupsFromMixedFleet(const Fleet& fleet, std::vector<CameraSetup>& setups,
                          std::vector<OnvifSetup>& onvifSetups,
                          std::vector<CameraSetup>& onvifGeneric, std::string& error) {
    Fleet others, onvifPart;
    SplitFleet(fleet, others, onvifPart);
    return CameraSetupsFromFleet(others, setups, error) &&
           SetupsFromFleet(onvifPart, onvifSetups, onvifGeneric, error);
}

Json::Value FaultsJson(const OnvifFaults& f) {
    Json::Value out;
    out["refuseLogin"] = f.refuseLogin;
    out["wrongPassword"] = f.wrongPassword;
    out["silent"] = f.silent;
    out["absent"] = f.absent;
    out["delayMs"] = f.delayMs;
    out["failOp"] = f.failOp;
    out["dropOnOp"] = f.dropOnOp;
    out["skewSeconds"] = static_cast<Json::Int64>(f.skewSeconds);
    out["unsupported"] = Json::Value(Json::arrayValue);
    for (const std::string& s : f.unsupported) {
        out["unsupported"].append(s);
    }
    out["noWifi"] = f.noWifi;
    out["noOsd"] = f.noOsd;
    out["noAnalytics"] = f.noAnalytics;
    out["nonceReuse"] = f.allowNonceReuse;
    out["httpDigest"] = f.httpDigest;
    return out;
}

Json::Value CountersJson(const std::string& serial, const OnvifCounters& c) {
    Json::Value out;
    out["event"] = "counters";
    out["serial"] = serial;
    out["kind"] = "onvif";
    out["requests"] = c.requests;
    out["logins"] = c.logins;
    out["failedLogins"] = c.failedLogins;
    out["reads"] = c.reads;
    out["setsAccepted"] = c.setsAccepted;
    out["setsRefused"] = c.setsRefused;
    return out;
}

Json::Value ConfigJson(const OnvifCamera& camera) {
    Json::Value out;
    out["event"] = "config";
    out["serial"] = camera.setup().serial;
    out["kind"] = "onvif";
    out["deviceService"] = camera.deviceServiceUrl();
    out["state"] = StateToJson(camera.state());
    return out;
}

}  // namespace orvex::lab::onvif
