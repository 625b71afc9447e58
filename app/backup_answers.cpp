#include "app/backup_answers.h"

#include <json/json.h>

#include <algorithm>

#include "support/json_text.h"

namespace orvex {

std::string BackupPassesText(const std::vector<BackupPass>& passes) {
    Json::Value answer(Json::objectValue);
    answer["passes"] = Json::Value(Json::arrayValue);
    for (const BackupPass& pass : passes) {
        Json::Value entry(Json::objectValue);
        entry["id"] = pass.id;
        entry["when"] = pass.when;
        entry["kind"] = pass.kind;
        entry["cameras"] = Json::Value(Json::arrayValue);
        entry["items"] = Json::Value(Json::arrayValue);
        std::vector<std::string> union_;
        for (const BackupCamera& c : pass.cameras) {
            entry["cameras"].append(BackupCameraJson(c));
            for (const std::string& item : c.items) {
                if (std::find(union_.begin(), union_.end(), item) == union_.end()) {
                    union_.push_back(item);
                    entry["items"].append(item);
                }
            }
        }
        answer["passes"].append(entry);
    }
    return WriteJson(answer);
}

bool ReadRestoreRequest(const std::string& request, std::string& passId,
                        std::vector<CameraRecord>& cameras) {
    Json::Value root;
    if (!ParseJson(request, root) || !root.isObject() || !root["passId"].isString() ||
        !root["cameras"].isArray()) {
        return false;
    }
    passId = root["passId"].asString();
    cameras.clear();
    try {
        for (const Json::Value& element : root["cameras"]) {
            if (!element.isObject() || !element["serial"].isString()) {
                return false;
            }
            CameraRecord record;
            ReadCameraRequest(element, record);
            if (!MakeCameraKey(record.serial, record.channelNo)) {
                return false;
            }
            cameras.push_back(std::move(record));
        }
    } catch (const Json::Exception&) {
        return false;
    }
    return true;
}

}  // namespace orvex
