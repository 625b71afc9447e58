#include "studio/data_manager.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "platform/win32/debug_output.h"
#include "support/bounded_parallel.h"
#include "support/gui_thread.h"
#include "support/json_text.h"
#include "support/text_conversion.h"

namespace orvex {
namespace {

// Writes the three parts of a request error line as three debug-output calls.
void LogParamError(const char* label, const std::string& request) {
    OutputDebugStringA(label);
    OutputDebugStringA(request.c_str());
    OutputDebugStringA("\n");
}

// jsoncpp's element count of a member: arrays and objects have one, anything else 0.
int ElementCount(const Json::Value& value) {
    return value.isArray() || value.isObject() ? static_cast<int>(value.size()) : 0;
}

}  // namespace

DataManager& DataManager::instance() {
    static DataManager* store = new DataManager;  // lives until the process ends
    return *store;
}

void DataManager::setMainWindow(HWND hwnd) {
    ORVEX_ASSERT_GUI_THREAD();
    std::lock_guard<std::mutex> lock(stateLock_);
    mainWindow_ = hwnd;
}

HWND DataManager::mainWindow() const {
    std::lock_guard<std::mutex> lock(stateLock_);
    return mainWindow_;
}

DataManager::GroupSnapshot DataManager::groups() const {
    std::lock_guard<std::mutex> lock(groupLock);
    return groups_;
}

bool DataManager::applyGroups(std::vector<GroupRecord> groups) {
    std::lock_guard<std::mutex> lock(groupLock);
    auto next = std::make_shared<GroupList>(*groups_);
    for (GroupRecord& group : groups) {
        auto record = std::make_shared<const GroupRecord>(std::move(group));
        // A group the studio sends again replaces what was stored for it, where it stood.
        auto same = std::find_if(next->begin(), next->end(), [&](const auto& stored) {
            return stored->groupId == record->groupId;
        });
        if (same != next->end()) {
            *same = std::move(record);
        } else {
            next->push_back(std::move(record));
        }
    }
    size_t cameras = 0;
    for (const auto& group : *next) {
        cameras += group->cameras.size();
    }
    if (cameras > cameraLimit_) {
        OutputDebugStringA(("group message refused: " + std::to_string(cameras) +
                            " cameras would be stored, above the limit of " +
                            std::to_string(cameraLimit_) + "\n")
                               .c_str());
        return false;
    }
    groups_ = std::move(next);
    return true;
}

void DataManager::onGroupInfoMessage(std::string text) {
    OutputDebugStringA("recv ");

    Json::Value root;
    Json::Value pageGroups(Json::nullValue);
    // The message's groups are stored together once all of it has been read, or not at all.
    std::vector<GroupRecord> groups;
    if (ParseJson(text, root)) {
        try {
            // Reading a member of a value that is neither object nor null raises jsoncpp's
            // error, as every read of the studio's text does.
            const Json::Value& groupInfo = root["groupInfo"];
            char line[64];
            std::snprintf(line, sizeof line, "group has %d .\n", ElementCount(groupInfo));
            OutputDebugStringA(line);
            if (groupInfo.isArray()) {
                for (const Json::Value& element : groupInfo) {
                    if (!element["groupName"].isString()) {
                        continue;
                    }
                    std::string name = element["groupName"].asString();
                    std::string id = element["groupId"].asString();
                    int count = element["groupDevNum"].asInt();

                    Json::Value page(Json::objectValue);
                    page["groupName"] = name;
                    page["groupId"] = id;
                    page["groupDevNum"] = count;
                    Json::Value pageCameras(Json::nullValue);

                    const Json::Value& cameraList = element["cameraLst"];
                    if (cameraList.isArray()) {
                        GroupRecord& group = groups.emplace_back();
                        group.groupId = id;
                        group.cameras.reserve(cameraList.size());
                        for (const Json::Value& camera : cameraList) {
                            CameraRecord record;
                            ReadCameraObject(camera, record);
                            group.cameras.push_back(std::move(record));
                            if (pageCameras.size() < 10) {
                                pageCameras.append(camera);
                            }
                        }
                    }
                    page["cameraLst"] = pageCameras;
                    pageGroups.append(page);
                }
            }
        } catch (const Json::Exception&) {
            OutputDebugStringA("parse msg err. \n");
            keepGroupMessage(std::move(text), std::move(root), nullptr);
            return;
        }
    }
    if (!applyGroups(std::move(groups))) {
        keepGroupMessage(std::move(text), std::move(root), nullptr);
        return;
    }

    Json::Value info(Json::objectValue);
    info["groupInfo"] = pageGroups;
    std::string written = WriteJson(info);
    keepGroupMessage(std::move(text), std::move(root), &written);
}

void DataManager::keepGroupMessage(std::string text, Json::Value parsed, std::string* pageInfo) {
    std::string previous;
    {
        std::lock_guard<std::mutex> lock(stateLock_);
        previous = std::exchange(lastGroupMessage_, std::move(text));
        if (pageInfo != nullptr) {
            pageGroupInfo_ = std::move(*pageInfo);
        }
    }
    // The parsed document and the message it replaces can be tens of megabytes in millions of
    // small blocks: they are freed off the receive thread.
    release_.release(std::make_pair(std::move(parsed), std::move(previous)));
}

void DataManager::waitForReleases() {
    release_.wait();
}

void DataManager::onCameraMessage(const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(stateLock_);
        lastCameraMessage_ = text;
    }
    Json::Value root;
    if (!ParseJson(text, root)) {
        return;
    }
    CameraRecord record;
    try {
        ReadCameraObject(root, record);
    } catch (const Json::Exception&) {
        OutputDebugStringA("parse msg err. \n");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(stateLock_);
        currentCamera_ = record;
    }
    // Fetch the camera's configuration now, so it is cached before the page asks: on a worker,
    // so the studio link never waits on a camera (a silent one takes the library's whole
    // limits). Only the newest camera's fetch matters, so one still waiting is replaced.
    cameraFetch_.post([this, text] { getCameraCfgInfo(text); });
}

void DataManager::waitForCameraFetch() {
    cameraFetch_.wait();
}

std::string DataManager::getGroupInfo() const {
    std::lock_guard<std::mutex> lock(stateLock_);
    return pageGroupInfo_;
}

std::string DataManager::getCurrentCameraInfo() const {
    std::lock_guard<std::mutex> lock(stateLock_);
    return lastCameraMessage_;
}

CameraRecord DataManager::currentCamera() const {
    std::lock_guard<std::mutex> lock(stateLock_);
    return currentCamera_;
}

std::string DataManager::getGroupCamerasInfo(const std::string& request) const {
    Json::Value root;
    if (!ParseJson(request, root)) {
        return {};
    }
    std::string groupId;
    int32_t page = 0;
    int32_t size = 0;
    try {
        groupId = root["groupId"].asString();
        page = root["camerasPageNum"].asInt();
        size = root["pageSize"].asInt();
    } catch (const Json::Exception&) {
        LogParamError("H5 getGroupCamerasInfo param err: ", request);
        return {};
    }
    if (page < 1) {
        LogParamError("H5 getGroupCamerasInfo param err: ", request);
        return {};
    }

    GroupSnapshot snapshot = groups();
    const GroupRecord* group = nullptr;
    for (const auto& candidate : *snapshot) {
        if (candidate->groupId == groupId) {
            group = candidate.get();
            break;
        }
    }
    if (group == nullptr) {
        return {};
    }

    Json::Value response(Json::objectValue);
    response["groupId"] = groupId;
    response["groupDevNum"] = static_cast<Json::UInt>(group->cameras.size());
    // Page n of size s holds cameras (n-1)*s+1 .. n*s. The product is taken in 32-bit signed
    // arithmetic (wrapping), and a skip that wraps to zero or below skips nothing.
    if (size > 0) {
        int32_t skip =
            static_cast<int32_t>(static_cast<uint32_t>(page - 1) * static_cast<uint32_t>(size));
        size_t first = skip > 0 ? static_cast<size_t>(skip) : 0;
        size_t end = first + static_cast<size_t>(size);
        Json::Value list(Json::arrayValue);
        for (size_t i = first; i < end && i < group->cameras.size(); ++i) {
            list.append(WriteCameraObject(group->cameras[i]));
        }
        if (!list.empty()) {
            response["cameraLst"] = std::move(list);
        }
    }
    return WriteJson(response);
}

std::string DataManager::getAllCamerasInfo() const {
    GroupSnapshot snapshot = groups();
    Json::Value platform(Json::nullValue);
    Json::Value local(Json::nullValue);
    for (const auto& group : *snapshot) {
        for (const CameraRecord& camera : group->cameras) {
            (camera.iPlatform == 0 ? local : platform).append(WriteCameraObject(camera));
        }
    }
    Json::Value response(Json::objectValue);
    response["platformCameraLst"] = platform;
    response["localCameraLst"] = local;
    return WriteJson(response);
}

std::string DataManager::getCameraCfgInfo(const std::string& request) {
    Json::Value root;
    if (!ParseJson(request, root)) {
        return {};
    }
    CameraRecord record;
    try {
        ReadCameraRequest(root, record);
    } catch (const Json::Exception&) {
        LogParamError("H5 getCameraCfgInfo param err: ", request);
        return {};
    }
    if (!MakeCameraKey(record.serial, record.channelNo)) {
        LogParamError("H5 getCameraCfgInfo param err: ", request);
        return {};
    }
    Json::Value response(Json::objectValue);
    response["subSerial"] = record.serial;
    response["channelNo"] = record.channelNo;
    std::string configText;
    getConfigInfoByDevSerial(record, configText, response);

    std::string text = WriteFlatJson(response);
    OutputDebugStringA("camera cfg: ");
    OutputDebugStringA(text.c_str());
    OutputDebugStringA("\n");
    return text;
}

std::string DataManager::getCameraCfgRangeInfo(const std::string& request) {
    Json::Value root;
    if (!ParseJson(request, root)) {
        return {};
    }
    CameraRecord record;
    std::optional<std::string> key;
    try {
        record.serial = root["serial"].asString();
        record.channelNo = root["channelNo"].asInt();
        key = MakeCameraKey(record.serial, record.channelNo);
        if (!key) {
            LogParamError("H5 getCameraCfgRangeInfo param err: ", request);
            return {};
        }
        std::string cached;
        if (cachedRange(*key, cached)) {
            return cached;
        }
        record.encrypt = root["encrypt"].asBool();
        record.newDev = root["newDev"].asBool();
        record.iPlatform = root["iPlatform"].asInt();
        record.port = root["port"].asInt();
        record.devip = root["devip"].asString();
        record.devname = root["devname"].asString();
        record.passwd = root["passwd"].asString();
    } catch (const Json::Exception&) {
        LogParamError("H5 getCameraCfgRangeInfo param err: ", request);
        return {};
    }
    std::string configText;
    Json::Value discarded(Json::objectValue);
    getConfigInfoByDevSerial(record, configText, discarded);

    std::lock_guard<std::mutex> lock(stateLock_);
    return rangeCache_[*key];  // an empty entry is created when the fetch stored none
}

void DataManager::setIssuedObject(const std::string& request, size_t concurrency,
                                  const std::atomic<bool>* stop) {
    {
        std::lock_guard<std::mutex> lock(stateLock_);
        issuedCameras_.clear();
        issuedSince_ = reads_.load();
    }
    Json::Value root;
    if (!ParseJson(request, root) || !root.isArray()) {
        return;
    }
    // The targets up to the first that cannot be read; they are all fetched, even after an error.
    std::vector<CameraRecord> targets;
    try {
        for (const Json::Value& element : root) {
            CameraRecord record;
            if (element["serial"].isString()) {
                ReadCameraRequest(element, record);
            }
            if (!MakeCameraKey(record.serial, record.channelNo)) {
                LogParamError("H5 setIssuedObject param err: ", request);
                break;
            }
            targets.push_back(std::move(record));
        }
    } catch (const Json::Exception&) {
        LogParamError("H5 setIssuedObject param err: ", request);
    }
    ForEachBounded(targets.size(), concurrency, [&](size_t i) {
        if (stop != nullptr && stop->load()) {
            return;
        }
        std::string configText;
        Json::Value discarded(Json::objectValue);
        getConfigInfoByDevSerial(targets[i], configText, discarded);
    });
    std::lock_guard<std::mutex> lock(stateLock_);
    issuedCameras_ = std::move(targets);
}

std::vector<CameraRecord> DataManager::issuedCameras() const {
    std::lock_guard<std::mutex> lock(stateLock_);
    return issuedCameras_;
}

uint64_t DataManager::issuedReadsSince() const {
    std::lock_guard<std::mutex> lock(stateLock_);
    return issuedSince_;
}

void DataManager::updateCameraPassword(const std::string& groupId, const std::string& serial,
                                       int32_t channelNo, const std::string& passwd,
                                       bool checkPassword) {
    Json::Value root;
    Json::Value newGroups(Json::nullValue);
    if (ParseJson(getGroupInfo(), root)) {
        try {
            const Json::Value& groupInfo = root["groupInfo"];
            if (groupInfo.isArray()) {
                for (const Json::Value& group : groupInfo) {
                    if (!group["groupName"].isString()) {
                        continue;
                    }
                    Json::Value next(Json::objectValue);
                    next["groupName"] = group["groupName"];
                    next["groupId"] = group["groupId"];
                    next["groupDevNum"] = group["groupDevNum"];
                    Json::Value cameras(Json::nullValue);
                    const Json::Value& list = group["cameraLst"];
                    if (list.isArray()) {
                        for (Json::Value camera : list) {
                            CameraRecord record;
                            ReadCameraObject(camera, record);
                            if (group["groupId"].asString() == groupId && record.serial == serial &&
                                record.channelNo == channelNo) {
                                camera["CheckPassword"] = checkPassword;
                                camera["passwd"] = passwd;
                            }
                            cameras.append(camera);
                        }
                    }
                    next["cameraLst"] = cameras;
                    newGroups.append(next);
                }
            }
        } catch (const Json::Exception&) {
            OutputDebugStringA("parse msg err. \n");
            return;
        }
    }
    Json::Value info(Json::objectValue);
    info["groupInfo"] = newGroups;
    std::string written = WriteJson(info);
    std::lock_guard<std::mutex> lock(stateLock_);
    pageGroupInfo_ = std::move(written);
}

bool DataManager::cachedConfig(const std::string& key, std::string& text) const {
    std::lock_guard<std::mutex> lock(stateLock_);
    auto it = configCache_.find(key);
    if (it == configCache_.end()) {
        return false;
    }
    text = it->second;
    return true;
}

bool DataManager::cachedRange(const std::string& key, std::string& text) const {
    std::lock_guard<std::mutex> lock(stateLock_);
    auto it = rangeCache_.find(key);
    if (it == rangeCache_.end()) {
        return false;
    }
    text = it->second;
    return true;
}

void DataManager::storeRange(const std::string& key, const std::string& text) {
    std::lock_guard<std::mutex> lock(stateLock_);
    rangeCache_[key] = text;
}

void DataManager::resetForTesting() {
    release_.wait();
    cameraFetch_.wait();
    {
        std::lock_guard<std::mutex> lock(groupLock);
        groups_ = std::make_shared<const GroupList>();
        cameraLimit_ = kMaxStoredCameras;
    }
    std::lock_guard<std::mutex> lock(stateLock_);
    lastCameraMessage_.clear();
    currentCamera_ = CameraRecord();
    lastGroupMessage_.clear();
    pageGroupInfo_.clear();
    issuedCameras_.clear();
    issuedSince_ = 0;
    issuedConfig_ = IssuedConfig();
    configCache_.clear();
    rangeCache_.clear();
    deviceConfigCache_.clear();
    lastWifiList_ = WifiScanList();
    mainWindow_ = nullptr;
}

}  // namespace orvex
