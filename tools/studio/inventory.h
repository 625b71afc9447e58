// The site inventory: the groups of cameras a site has, the configuration names the tool saved,
// and its JSON form with errors that name the place and the field.
#pragma once

#include <json/json.h>

#include <string>
#include <vector>

namespace orvex::site {

// The two protocols a camera may speak.
inline constexpr char kOnvif[] = "ONVIF";
inline constexpr char kDeviceProtocol[] = "device";

struct SiteCamera {
    std::string serial;  // the key: one camera per serial
    std::string name;
    std::string address;  // IPv4 address or host name
    int port = 80;
    std::string protocol = kOnvif;  // kOnvif or kDeviceProtocol
    std::string user = "admin";
    std::string password;
    int channels = 1;   // channels 1 to N
    std::string model;  // as the camera reported it (scan), for people
};

struct SiteGroup {
    std::string name;
    std::string id;
    std::vector<SiteCamera> cameras;
};

struct SavedConfiguration {
    std::string name;
    std::string time;  // UTC, ISO 8601
};

// A plain value: any thread, one thread at a time per inventory.
struct Inventory {
    std::vector<SiteGroup> groups;
    std::vector<SavedConfiguration> configurations;

    // The camera with `serial`, and its group; null when there is none.
    SiteCamera* find(const std::string& serial, SiteGroup** group = nullptr);
    // The group named `name`, made (with a new id) when there is none.
    SiteGroup& group(const std::string& name);
    // Takes the camera out of its group (the group stays, empty or not); false when unknown.
    bool remove(const std::string& serial);
    size_t cameraCount() const;
};

// "ONVIF" or "device" for any letter case of "onvif", "device" (or "rprov"); empty otherwise.
// Any thread.
std::string NormalProtocol(const std::string& text);
// Checks one camera's fields; the first problem as "field: what is wrong", else empty. Any
// thread.
std::string CheckCamera(const SiteCamera& camera);

// Reads an inventory from JSON text. On failure false, with `error` naming the place and the
// field ("line 3, column 7: ..." for broken JSON, "groups[0].cameras[1].port: ..." for a
// field). Any thread.
bool ParseInventory(const std::string& text, Inventory& inventory, std::string& error);
// The JSON text of an inventory. Any thread.
std::string WriteInventory(const Inventory& inventory);

}  // namespace orvex::site
