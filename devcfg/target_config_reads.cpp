#include "devcfg/target_config_reads.h"

#include <json/json.h>

#include <memory>
#include <vector>

#include "devcfg/camera_issue.h"
#include "devcfg/camera_login.h"
#include "devcfg/camera_record.h"
#include "devcfg/device_config_json.h"
#include "platform/rprov/rprov_agent.h"
#include "support/bounded_parallel.h"
#include "support/json_text.h"

namespace orvex {
namespace {

// What the page shows for a read that failed, by cause.
const char* CauseText(const std::string& cause) {
    if (cause == "unreachable")
        return "无法连接";
    if (cause == "auth")
        return "密码错误";
    if (cause == "refused")
        return "设备拒绝登录";
    if (cause == "timeout")
        return "设备响应超时";
    if (cause == "serialMismatch")
        return "设备序列号不符";
    if (cause == "unsupported")
        return "设备不支持";
    return "读取配置失败";
}

Json::Value ReadOne(const CameraRecord& camera) {
    Json::Value entry(Json::objectValue);
    entry["serial"] = camera.serial;
    entry["channelNo"] = camera.channelNo;
    std::string cause;
    int32_t handle = -1;
    LoginDeviceInfo info;
    auto record = std::make_unique<DeviceConfig>();
    if (!LoginCamera(camera, handle, info)) {
        cause = IssueCauseOf(RPROV_GetLastError());
    } else {
        const std::string reported = info.serialNumber();
        if (!reported.empty() && reported != camera.serial) {
            cause = "serialMismatch";
        } else if (!RPROV_GetConfig(handle, camera.serial, camera.channelNo, *record)) {
            const int32_t error = RPROV_GetLastError();
            cause = error == RPROV_ERR_WRONG_SERIAL ? "serialMismatch"
                    : error == RPROV_ERR_TIMEOUT    ? "timeout"
                    : error == RPROV_ERR_CLOSED     ? "unreachable"
                                                    : "readFailed";
        }
        RPROV_Logout_Dev(handle);
    }
    Json::Value page(Json::objectValue);
    if (cause.empty() && DeviceConfigToPageJson(*record, page).empty()) {
        cause = "readFailed";
    }
    entry["isSuccess"] = cause.empty();
    if (cause.empty()) {
        entry["moreInfo"] = "";
        entry["configItems"] = page["configItems"];
    } else {
        entry["cause"] = cause;
        entry["moreInfo"] = CauseText(cause);
    }
    return entry;
}

}  // namespace

std::string ReadTargetConfigs(const std::string& request, size_t concurrency) {
    std::vector<CameraRecord> cameras;
    Json::Value root;
    if (ParseJson(request, root) && root.isObject() && root["cameras"].isArray()) {
        try {
            for (const Json::Value& element : root["cameras"]) {
                CameraRecord record;
                if (element.isObject() && element["serial"].isString()) {
                    ReadCameraRequest(element, record);
                }
                cameras.push_back(std::move(record));
            }
        } catch (const Json::Exception&) {
            cameras.clear();
        }
    }
    std::vector<Json::Value> entries(cameras.size());
    ForEachBounded(cameras.size(), concurrency, [&](size_t i) {
        if (!MakeCameraKey(cameras[i].serial, cameras[i].channelNo)) {
            entries[i] = Json::Value(Json::objectValue);
            entries[i]["serial"] = cameras[i].serial;
            entries[i]["channelNo"] = cameras[i].channelNo;
            entries[i]["isSuccess"] = false;
            entries[i]["cause"] = "readFailed";
            entries[i]["moreInfo"] = CauseText("readFailed");
            return;
        }
        entries[i] = ReadOne(cameras[i]);
    });
    Json::Value answer(Json::objectValue);
    answer["configs"] = Json::Value(Json::arrayValue);
    for (Json::Value& entry : entries) {
        answer["configs"].append(std::move(entry));
    }
    return WriteJson(answer);
}

}  // namespace orvex
