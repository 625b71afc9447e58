#include "tools/lab/cameras_setup.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace orvex::lab {
namespace {

bool ToInt(const std::string& text, int32_t lo, int32_t hi, int32_t& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi) {
        return false;
    }
    out = static_cast<int32_t>(v);
    return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

std::vector<int32_t> OneTo(int32_t n) {
    std::vector<int32_t> channels;
    for (int32_t c = 1; c <= n; ++c) {
        channels.push_back(c);
    }
    return channels;
}

bool ReadFaults(const Json::Value& object, const std::string& where, CameraFaults& faults,
                std::string& error) {
    if (object.isNull()) {
        return true;
    }
    if (!object.isObject()) {
        error = where + ": expected an object";
        return false;
    }
    struct Flag {
        const char* name;
        bool* field;
    };
    for (Flag f :
         {Flag{"refuseLogin", &faults.refuseLogin}, Flag{"wrongPassword", &faults.wrongPassword},
          Flag{"silent", &faults.silent}, Flag{"absent", &faults.absent}}) {
        if (object.isMember(f.name)) {
            if (!object[f.name].isBool()) {
                error = where + "." + f.name + ": expected true or false";
                return false;
            }
            *f.field = object[f.name].asBool();
        }
    }
    struct Number {
        const char* name;
        int32_t* field;
    };
    for (Number n :
         {Number{"delayMs", &faults.delayMs}, Number{"failItem", &faults.failItem},
          Number{"dropOnItem", &faults.dropOnItem}, Number{"forgetItem", &faults.forgetItem}}) {
        if (object.isMember(n.name)) {
            if (!object[n.name].isInt() || object[n.name].asInt() < 0) {
                error = where + "." + n.name + ": expected a non-negative integer";
                return false;
            }
            *n.field = object[n.name].asInt();
        }
    }
    if (object.isMember("failRead")) {
        const std::string read = object["failRead"].isString() ? object["failRead"].asString() : "";
        if (read != "config" && read != "range" && read != "wifi") {
            error = where + ".failRead: expected \"config\", \"range\" or \"wifi\"";
            return false;
        }
        faults.failRead = read;
    }
    return true;
}

bool ReadDevice(const FleetCamera& camera, const std::string& where, CameraSetup& setup,
                std::string& error) {
    const CameraRecord& r = camera.record;
    setup.serial = r.serial;
    setup.name = r.devname;
    setup.address = r.devip.empty() ? "127.0.0.1" : r.devip;
    setup.port = r.port;
    setup.password = r.passwd;
    setup.channels.clear();
    const Json::Value& device = camera.source["device"];
    if (device.isNull()) {
        return true;
    }
    if (!device.isObject()) {
        error = where + ".device: expected an object";
        return false;
    }
    struct Text {
        const char* name;
        std::string* field;
    };
    for (Text t : {Text{"address", &setup.address}, Text{"password", &setup.password},
                   Text{"name", &setup.name}}) {
        if (device.isMember(t.name)) {
            if (!device[t.name].isString()) {
                error = where + ".device." + t.name + ": expected a string";
                return false;
            }
            *t.field = device[t.name].asString();
        }
    }
    struct Number {
        const char* name;
        int32_t lo, hi;
        int32_t* field;
    };
    int32_t channels = 0;
    for (Number n : {Number{"port", 0, 65535, &setup.port}, Number{"channels", 1, 256, &channels},
                     Number{"wifiNetworks", 0, 1000, &setup.wifiNetworks}}) {
        if (device.isMember(n.name)) {
            if (!device[n.name].isInt() || device[n.name].asInt() < n.lo ||
                device[n.name].asInt() > n.hi) {
                error = where + ".device." + n.name + ": expected an integer from " +
                        std::to_string(n.lo) + " to " + std::to_string(n.hi);
                return false;
            }
            *n.field = device[n.name].asInt();
        }
    }
    setup.channels = OneTo(channels);
    return ReadFaults(device["faults"], where + ".device.faults", setup.faults, error);
}

}  // namespace

bool ApplyFaultWord(const std::string& word, CameraFaults& faults, std::string& error) {
    const size_t eq = word.find('=');
    const std::string key = word.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
    const bool hasValue = eq != std::string::npos;
    if (!hasValue) {
        if (key == "none") {
            faults = CameraFaults();
        } else if (key == "refuse-login") {
            faults.refuseLogin = true;
        } else if (key == "wrong-password") {
            faults.wrongPassword = true;
        } else if (key == "silent") {
            faults.silent = true;
        } else if (key == "absent") {
            faults.absent = true;
        } else {
            error = "unknown fault \"" + word + "\"";
            return false;
        }
        return true;
    }
    if (key == "fail-read") {
        if (value != "config" && value != "range" && value != "wifi") {
            error = "fail-read takes config, range or wifi";
            return false;
        }
        faults.failRead = value;
        return true;
    }
    int32_t* field = key == "delay"          ? &faults.delayMs
                     : key == "fail-item"    ? &faults.failItem
                     : key == "drop-on-item" ? &faults.dropOnItem
                     : key == "forget-item"  ? &faults.forgetItem
                                             : nullptr;
    if (field == nullptr) {
        error = "unknown fault \"" + word + "\"";
        return false;
    }
    if (!ToInt(value, 0, 3'600'000, *field)) {
        error = key + " takes a non-negative number";
        return false;
    }
    return true;
}

bool ParseCameraSetup(const std::string& text, CameraSetup& setup, std::string& error) {
    setup = CameraSetup();
    for (const std::string& part : Split(text, ',')) {
        if (part.empty()) {
            continue;
        }
        const size_t eq = part.find('=');
        const std::string key = part.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : part.substr(eq + 1);
        int32_t number = 0;
        if (key == "serial") {
            setup.serial = value;
        } else if (key == "address") {
            setup.address = value;
        } else if (key == "password") {
            setup.password = value;
        } else if (key == "name") {
            setup.name = value;
        } else if (key == "port" || key == "channels" || key == "wifi") {
            const int32_t hi = key == "port" ? 65535 : key == "channels" ? 256 : 1000;
            const int32_t lo = key == "channels" ? 1 : 0;
            if (!ToInt(value, lo, hi, number)) {
                error = key + " takes a number from " + std::to_string(lo) + " to " +
                        std::to_string(hi);
                return false;
            }
            if (key == "port") {
                setup.port = number;
            } else if (key == "channels") {
                setup.channels = OneTo(number);
            } else {
                setup.wifiNetworks = number;
            }
        } else if (!ApplyFaultWord(part, setup.faults, error)) {
            return false;
        }
    }
    if (setup.serial.empty()) {
        error = "a camera needs serial=...";
        return false;
    }
    return true;
}

bool GenerateCameraSetups(int count, const std::string& prefix, const std::string& password,
                          const std::string& baseAddress, int32_t port, int channels,
                          std::vector<CameraSetup>& setups, std::string& error) {
    uint32_t address = 0;
    if (!baseAddress.empty()) {
        in_addr parsed;
        if (::inet_pton(AF_INET, baseAddress.c_str(), &parsed) != 1 ||
            (ntohl(parsed.s_addr) >> 24) != 127) {
            error = "--base-address takes a loopback address 127.x.y.z";
            return false;
        }
        address = ntohl(parsed.s_addr);
        if ((address & 0x00FFFFFFu) + static_cast<uint32_t>(count) > 0x00FFFFFFu) {
            error = "not enough loopback addresses after " + baseAddress;
            return false;
        }
    } else if (port != 0 && port + count - 1 > 65535) {
        error = "not enough ports after " + std::to_string(port);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        CameraSetup setup;
        char serial[80];
        std::snprintf(serial, sizeof serial, "%s%05d", prefix.c_str(), i + 1);
        setup.serial = serial;
        setup.name = "Lab camera " + std::to_string(i + 1);
        setup.password = password;
        setup.channels = OneTo(channels);
        setup.wifiNetworks = i % 10 == 9 ? 30 : 8;
        if (address != 0) {
            in_addr a;
            a.s_addr = htonl(address + static_cast<uint32_t>(i));
            char text[INET_ADDRSTRLEN];
            setup.address = ::inet_ntop(AF_INET, &a, text, sizeof text);
            setup.port = port;
        } else {
            setup.address = "127.0.0.1";
            setup.port = port == 0 ? 0 : port + i;
        }
        setups.push_back(std::move(setup));
    }
    return true;
}

bool CameraSetupsFromFleet(const Fleet& fleet, std::vector<CameraSetup>& setups,
                           std::string& error) {
    std::map<std::string, size_t> bySerial;
    std::map<std::string, bool> hasDevice;
    for (size_t g = 0; g < fleet.groups.size(); ++g) {
        const FleetGroup& group = fleet.groups[g];
        for (size_t c = 0; c < group.cameras.size(); ++c) {
            const FleetCamera& camera = group.cameras[c];
            const std::string where =
                "groups[" + std::to_string(g) + "].cameras[" + std::to_string(c) + "]";
            const std::string& serial = camera.record.serial;
            auto known = bySerial.find(serial);
            const bool device = camera.source.isMember("device");
            if (known == bySerial.end() || (device && !hasDevice[serial])) {
                CameraSetup setup;
                if (!ReadDevice(camera, where, setup, error)) {
                    return false;
                }
                if (known == bySerial.end()) {
                    bySerial[serial] = setups.size();
                    setups.push_back(std::move(setup));
                } else {
                    // The device members replace what a plain entry implied; its channels stay.
                    setup.channels.insert(setup.channels.end(),
                                          setups[known->second].channels.begin(),
                                          setups[known->second].channels.end());
                    setups[known->second] = std::move(setup);
                }
                hasDevice[serial] = device;
            }
            setups[bySerial[serial]].channels.push_back(camera.record.channelNo);
        }
    }
    for (CameraSetup& setup : setups) {
        std::sort(setup.channels.begin(), setup.channels.end());
        setup.channels.erase(std::unique(setup.channels.begin(), setup.channels.end()),
                             setup.channels.end());
    }
    return true;
}

Json::Value FleetForStudio(const Fleet& fleet, const std::vector<CameraSetup>& setups,
                           const std::vector<CameraEndpoint>& endpoints) {
    std::map<std::string, const CameraEndpoint*> where;
    for (const CameraEndpoint& e : endpoints) {
        where[e.serial] = &e;
    }
    if (!fleet.groups.empty()) {
        Json::Value out = fleet.source;
        for (Json::Value& group : out["groups"]) {
            for (Json::Value& camera : group["cameras"]) {
                auto it = where.find(camera["serial"].asString());
                const Json::Value& device = camera["device"];
                if (it == where.end()) {
                    continue;
                }
                if (!device.isObject() || !device.isMember("address")) {
                    camera["devip"] = it->second->address;
                }
                if (!device.isObject() || !device.isMember("port")) {
                    camera["port"] = it->second->port;
                }
            }
        }
        return out;
    }
    Json::Value cameras(Json::arrayValue);
    for (const CameraSetup& setup : setups) {
        auto it = where.find(setup.serial);
        for (int32_t channelNo : setup.channels) {
            Json::Value camera;
            camera["serial"] = setup.serial;
            camera["devname"] =
                setup.name + (setup.channels.size() > 1 ? " channel " + std::to_string(channelNo)
                                                        : std::string());
            camera["devip"] = it != where.end() ? it->second->address : setup.address;
            camera["port"] = it != where.end() ? it->second->port : setup.port;
            camera["passwd"] = setup.password;
            camera["devType"] = "IPC";
            camera["channelNo"] = channelNo;
            cameras.append(camera);
        }
    }
    Json::Value group;
    group["groupName"] = "Lab cameras";
    group["groupId"] = "lab-cameras";
    group["cameras"] = cameras;
    Json::Value out;
    out["groups"].append(group);
    return out;
}

}  // namespace orvex::lab
