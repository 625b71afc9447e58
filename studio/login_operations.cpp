// The store's short logins with one camera: the configuration fetch, the Wi-Fi list and the
// password check.
#include <memory>
#include <mutex>
#include <string>

#include "devcfg/camera_login.h"
#include "devcfg/config_range_json.h"
#include "devcfg/device_config_json.h"
#include "platform/rprov/rprov_agent.h"
#include "platform/win32/debug_output.h"
#include "studio/data_manager.h"
#include "support/json_text.h"

namespace orvex {
namespace {

void Log(const std::string& text) {
    OutputDebugStringA(text.c_str());
}

// "login dev [serial][devip] [port] err \n", texts up to their first NUL as printf reads them.
void LogLoginFailure(const CameraRecord& r) {
    Log("login dev [" + std::string(r.serial.c_str()) + "][" + std::string(r.devip.c_str()) +
        "] [" + std::to_string(r.port) + "] err \n");
}

bool Login(const CameraRecord& r, int32_t& handle) {
    handle = -1;
    LoginDeviceInfo info;
    return LoginCamera(r, handle, info);
}

}  // namespace

bool DataManager::getConfigInfoByDevSerial(const CameraRecord& r, std::string& configText,
                                           Json::Value& json, DeviceConfig* readBack) {
    const std::optional<std::string> key = MakeCameraKey(r.serial, r.channelNo);
    if (!key) {
        return false;  // a record that cannot be keyed is refused before any login
    }
    // Stamped before the login: a fetch that began later always wins the cache.
    const uint64_t stamp = ++reads_;
    Log("getConfigInfoByDevSerial start RPROV_Login_Dev");
    int32_t handle = -1;
    if (!Login(r, handle)) {
        LogLoginFailure(r);
        return false;
    }
    Log("getConfigInfoByDevSerial end RPROV_Login_Dev");
    Log("getConfigInfoByDevSerial  RPROV_GetConfig start");
    auto config = std::make_unique<DeviceConfig>();
    if (!RPROV_GetConfig(handle, r.serial, r.channelNo, *config)) {
        Log("get dev config fail.\n");
        RPROV_Logout_Dev(handle);
        return false;
    }
    Log("getConfigInfoByDevSerial  RPROV_GetConfig end");
    Log("getConfigInfoByDevSerial  RPROV_GetCfgRange start");
    ConfigRange range;
    if (!RPROV_GetCfgRange(handle, r.serial, r.channelNo, range)) {
        Log("get dev config range fail.\n");
        RPROV_Logout_Dev(handle);
        return false;
    }
    Log("getConfigInfoByDevSerial  RPROV_GetCfgRange end");
    // The login ends before any conversion.
    RPROV_Logout_Dev(handle);

    configText = DeviceConfigToPageJson(*config, json);
    std::string rangeText = ConfigRangeToPageJson(range);
    storeFetch(*key, stamp, configText, *config, std::move(rangeText));
    if (readBack != nullptr) {
        *readBack = *config;
    }
    Log("getConfigInfoByDevSerial  endxxxxx");
    return true;
}

bool DataManager::rereadCamera(const CameraRecord& camera, DeviceConfig& readBack) {
    std::string configText;
    Json::Value discarded(Json::objectValue);
    return getConfigInfoByDevSerial(camera, configText, discarded, &readBack);
}

void DataManager::storeFetch(const std::string& key, uint64_t stamp, std::string configText,
                             const DeviceConfig& config, std::string rangeText) {
    // The record is written without the state lock; the texts follow only while it is still this
    // fetch's record, so no reader sees a record with another fetch's texts for long.
    if (!deviceConfigCache_.put(key, stamp, config)) {
        return;
    }
    std::lock_guard<std::mutex> lock(stateLock_);
    if (deviceConfigCache_.stamp(key) != stamp) {
        return;
    }
    configCache_[key] = std::move(configText);
    rangeCache_[key] = std::move(rangeText);
}

bool DataManager::cachedDeviceConfig(const std::string& key, DeviceConfig& config,
                                     uint64_t* stamp) const {
    return deviceConfigCache_.get(key, config, stamp);
}

WifiScanList DataManager::lastWifiList() const {
    std::lock_guard<std::mutex> lock(stateLock_);
    return lastWifiList_;
}

void DataManager::getWifiInfoByDevSerial(const std::string& request, std::string& out) {
    Json::Value root;
    if (!ParseJson(request, root)) {
        return;
    }
    CameraRecord r;
    try {
        ReadCameraRequest(root, r);
    } catch (const Json::Exception&) {
        Log("H5 getWifiInfoByDevSerial param err: ");
        Log(request);
        Log("\n");
        return;
    }
    Log("getWifiInfoByDevSerial RPROV_Login_Dev start.\n");
    int32_t handle = -1;
    if (!Login(r, handle)) {
        LogLoginFailure(r);
        return;
    }
    Log("getWifiInfoByDevSerial RPROV_Login_Dev end.\n");
    std::string text;
    WifiScanList list;
    if (!RPROV_GetWifi(handle, text, list)) {
        Log("get dev wifi fail.\n");
        RPROV_Logout_Dev(handle);
        return;
    }
    list.limitCount();
    {
        std::lock_guard<std::mutex> lock(stateLock_);
        lastWifiList_ = list;
    }
    Json::Value networks(Json::arrayValue);
    for (int i = 0; i < list.entryCount(); ++i) {
        Json::Value network(Json::objectValue);
        network["ssid"] = list.networkName(i);
        networks.append(network);
    }
    out = WriteJson(networks);
    RPROV_Logout_Dev(handle);
}

std::string DataManager::CheckDevPassword(const std::string& request, CameraRecord& camera,
                                          bool& passed) {
    passed = false;
    Json::Value root;
    if (!ParseJson(request, root)) {
        return {};
    }
    CameraRecord c;
    try {
        ReadCameraRequest(root, c);
    } catch (const Json::Exception&) {
        Log("H5 check device password: ");
        Log(request);
        Log("\n");
        return {};
    }
    camera = c;

    Json::Value answer(Json::objectValue);
    int32_t handle = -1;
    if (!Login(c, handle)) {
        answer["result"] = false;
        answer["CheckPassword"] = true;
    } else {
        RPROV_Logout_Dev(handle);
        answer["result"] = true;
        answer["CheckPassword"] = false;
        passed = true;

        // The first stored camera of this channel still waiting for its password is confirmed;
        // the list is an immutable snapshot, so the changed group replaces the old one in a new
        // list.
        std::lock_guard<std::mutex> lock(groupLock);
        auto next = std::make_shared<GroupList>(*groups_);
        std::string groupId;
        bool found = false;
        for (auto& group : *next) {
            for (size_t i = 0; i < group->cameras.size() && !found; ++i) {
                const CameraRecord& stored = group->cameras[i];
                if (stored.serial == c.serial && stored.channelNo == c.channelNo &&
                    stored.CheckPassword) {
                    auto changed = std::make_shared<GroupRecord>(*group);
                    changed->cameras[i].passwd = c.passwd;
                    changed->cameras[i].CheckPassword = false;
                    groupId = changed->groupId;
                    group = std::move(changed);
                    found = true;
                }
            }
            if (found) {
                break;
            }
        }
        if (found) {
            groups_ = std::move(next);
            updateCameraPassword(groupId, c.serial, c.channelNo, c.passwd, false);
        }
    }
    answer["serial"] = c.serial;
    answer["channelNo"] = c.channelNo;
    answer["passwd"] = c.passwd;
    answer["devname"] = c.devname;
    answer["devip"] = c.devip;
    answer["port"] = c.port;
    answer["newDev"] = c.newDev;
    answer["iPlatform"] = c.iPlatform;
    answer["encrypt"] = c.encrypt;
    answer["devType"] = c.devType;
    std::string text = WriteFlatJson(answer);
    Log("check device password: ");
    Log(text);
    Log("\n");
    return text;
}

}  // namespace orvex
