#include "tools/studio/inventory.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>

#include "support/json_text.h"

namespace orvex::site {
namespace {

// Reads the members of one object; the first problem is kept with the place it was found.
class Reader {
  public:
    Reader(const Json::Value& object, std::string place)
        : object_(object), place_(std::move(place)) {}

    bool text(const char* member, std::string& out, bool required, std::string& error) const {
        const Json::Value& v = object_[member];
        if (v.isNull() && !required) {
            return true;
        }
        if (!v.isString()) {
            error = where(member) + (v.isNull() ? "missing" : "expected text");
            return false;
        }
        out = v.asString();
        return true;
    }

    bool number(const char* member, int& out, int low, int high, std::string& error) const {
        const Json::Value& v = object_[member];
        if (v.isNull()) {
            return true;
        }
        if (!v.isInt() || v.asInt() < low || v.asInt() > high) {
            error = where(member) + "expected a whole number from " + std::to_string(low) + " to " +
                    std::to_string(high);
            return false;
        }
        out = v.asInt();
        return true;
    }

    std::string where(const char* member) const { return place_ + "." + member + ": "; }

  private:
    const Json::Value& object_;
    const std::string place_;
};

bool ParseCamera(const Json::Value& object, const std::string& place, SiteCamera& camera,
                 std::string& error) {
    if (!object.isObject()) {
        error = place + ": expected an object";
        return false;
    }
    const Reader r(object, place);
    std::string protocol = camera.protocol;
    if (!r.text("serial", camera.serial, true, error) ||
        !r.text("name", camera.name, false, error) ||
        !r.text("address", camera.address, true, error) ||
        !r.number("port", camera.port, 1, 65535, error) ||
        !r.text("protocol", protocol, false, error) || !r.text("user", camera.user, false, error) ||
        !r.text("password", camera.password, false, error) ||
        !r.number("channels", camera.channels, 1, 256, error) ||
        !r.text("model", camera.model, false, error)) {
        return false;
    }
    camera.protocol = NormalProtocol(protocol);
    if (camera.protocol.empty()) {
        error = r.where("protocol") + "expected \"ONVIF\" or \"device\", not \"" + protocol + "\"";
        return false;
    }
    const std::string problem = CheckCamera(camera);
    if (!problem.empty()) {
        error = place + "." + problem;
        return false;
    }
    return true;
}

}  // namespace

SiteCamera* Inventory::find(const std::string& serial, SiteGroup** owner) {
    for (SiteGroup& g : groups) {
        for (SiteCamera& c : g.cameras) {
            if (c.serial == serial) {
                if (owner != nullptr) {
                    *owner = &g;
                }
                return &c;
            }
        }
    }
    return nullptr;
}

SiteGroup& Inventory::group(const std::string& name) {
    for (SiteGroup& g : groups) {
        if (g.name == name) {
            return g;
        }
    }
    // Ids are never reused within a file, so a renamed or removed group's id stays its own.
    int next = 1;
    for (const SiteGroup& g : groups) {
        if (g.id.rfind("g", 0) == 0) {
            next = std::max(next, std::atoi(g.id.c_str() + 1) + 1);
        }
    }
    groups.push_back(SiteGroup{name, "g" + std::to_string(next), {}});
    return groups.back();
}

bool Inventory::remove(const std::string& serial) {
    for (SiteGroup& g : groups) {
        auto it = std::find_if(g.cameras.begin(), g.cameras.end(),
                               [&](const SiteCamera& c) { return c.serial == serial; });
        if (it != g.cameras.end()) {
            g.cameras.erase(it);
            return true;
        }
    }
    return false;
}

size_t Inventory::cameraCount() const {
    size_t n = 0;
    for (const SiteGroup& g : groups) {
        n += g.cameras.size();
    }
    return n;
}

std::string NormalProtocol(const std::string& text) {
    std::string lower;
    for (char c : text) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (lower == "onvif") {
        return kOnvif;
    }
    if (lower == "device" || lower == "rprov") {
        return kDeviceProtocol;
    }
    return "";
}

std::string CheckCamera(const SiteCamera& camera) {
    if (camera.serial.empty()) {
        return "serial: empty";
    }
    if (camera.serial.size() > 64) {
        return "serial: longer than 64 characters";
    }
    if (camera.address.empty()) {
        return "address: empty";
    }
    if (camera.port < 1 || camera.port > 65535) {
        return "port: expected a whole number from 1 to 65535";
    }
    if (camera.channels < 1 || camera.channels > 256) {
        return "channels: expected a whole number from 1 to 256";
    }
    if (NormalProtocol(camera.protocol).empty()) {
        return "protocol: expected \"ONVIF\" or \"device\"";
    }
    return "";
}

bool ParseInventory(const std::string& text, Inventory& inventory, std::string& error) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    builder["failIfExtra"] = true;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) {
        // jsoncpp says "* Line 3, Column 7\n  Syntax error: ..."; one line of it is enough.
        std::string line = errors.substr(errors.find_first_not_of("* "));
        std::replace(line.begin(), line.end(), '\n', ' ');
        error = line.substr(0, line.find_last_not_of(' ') + 1);
        return false;
    }
    if (!root.isObject()) {
        error = "top level: expected an object";
        return false;
    }
    Inventory parsed;
    const Json::Value& groups = root["groups"];
    if (!groups.isNull() && !groups.isArray()) {
        error = "groups: expected an array";
        return false;
    }
    std::set<std::string> serials;
    std::set<std::string> ids;
    for (Json::ArrayIndex g = 0; g < groups.size(); ++g) {
        const std::string place = "groups[" + std::to_string(g) + "]";
        if (!groups[g].isObject()) {
            error = place + ": expected an object";
            return false;
        }
        const Reader r(groups[g], place);
        SiteGroup group;
        if (!r.text("name", group.name, true, error) || !r.text("id", group.id, true, error)) {
            return false;
        }
        if (!ids.insert(group.id).second) {
            error = r.where("id") + "\"" + group.id + "\" is used by an earlier group";
            return false;
        }
        const Json::Value& cameras = groups[g]["cameras"];
        if (!cameras.isNull() && !cameras.isArray()) {
            error = r.where("cameras") + "expected an array";
            return false;
        }
        for (Json::ArrayIndex c = 0; c < cameras.size(); ++c) {
            const std::string cameraPlace = place + ".cameras[" + std::to_string(c) + "]";
            SiteCamera camera;
            if (!ParseCamera(cameras[c], cameraPlace, camera, error)) {
                return false;
            }
            if (!serials.insert(camera.serial).second) {
                error = cameraPlace + ".serial: \"" + camera.serial + "\" is listed twice";
                return false;
            }
            group.cameras.push_back(std::move(camera));
        }
        parsed.groups.push_back(std::move(group));
    }
    const Json::Value& saved = root["configurations"];
    if (!saved.isNull() && !saved.isArray()) {
        error = "configurations: expected an array";
        return false;
    }
    for (Json::ArrayIndex i = 0; i < saved.size(); ++i) {
        const std::string place = "configurations[" + std::to_string(i) + "]";
        if (!saved[i].isObject()) {
            error = place + ": expected an object";
            return false;
        }
        const Reader r(saved[i], place);
        SavedConfiguration configuration;
        if (!r.text("name", configuration.name, true, error) ||
            !r.text("time", configuration.time, false, error)) {
            return false;
        }
        parsed.configurations.push_back(std::move(configuration));
    }
    inventory = std::move(parsed);
    return true;
}

std::string WriteInventory(const Inventory& inventory) {
    Json::Value root(Json::objectValue);
    root["groups"] = Json::Value(Json::arrayValue);
    for (const SiteGroup& group : inventory.groups) {
        Json::Value g;
        g["name"] = group.name;
        g["id"] = group.id;
        g["cameras"] = Json::Value(Json::arrayValue);
        for (const SiteCamera& camera : group.cameras) {
            Json::Value c;
            c["serial"] = camera.serial;
            c["name"] = camera.name;
            c["address"] = camera.address;
            c["port"] = camera.port;
            c["protocol"] = camera.protocol;
            c["user"] = camera.user;
            c["password"] = camera.password;
            c["channels"] = camera.channels;
            if (!camera.model.empty()) {
                c["model"] = camera.model;
            }
            g["cameras"].append(c);
        }
        root["groups"].append(g);
    }
    root["configurations"] = Json::Value(Json::arrayValue);
    for (const SavedConfiguration& saved : inventory.configurations) {
        Json::Value s;
        s["name"] = saved.name;
        s["time"] = saved.time;
        root["configurations"].append(s);
    }
    return WriteJson(root) + "\n";
}

}  // namespace orvex::site
