#include "devcfg/issue_worker.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "devcfg/config_items.h"
#include "platform/rprov/rprov_agent.h"
#include "platform/win32/debug_output.h"
#include "support/json_text.h"

namespace orvex {
namespace {

// The item text of a camera whose login failed, and of one whose record could not be read.
constexpr char kNetworkError[] = "网络异常";
constexpr char kReadFailed[] = "读取配置失败";

// Sends one item's block; true when the camera accepted it.
bool Send(int32_t handle, int32_t item, int32_t channelNo, const std::vector<uint8_t>& block,
          std::string& moreInfo) {
    return RPROV_SetConfig_To_Dev(handle, item, channelNo, block.data(), moreInfo);
}

// After the camera accepted the picture block sent for the motion item, only its
// motion-detection sub-block is taken into `work`.
void AcceptMotionSubBlock(const std::vector<uint8_t>& pictureBlock, DeviceConfig& work) {
    const size_t inside =
        DeviceConfig::kMotionBlock.offset - ConfigItemBlock(CFG_ITEM_MOTION).offset;
    if (pictureBlock.size() == ConfigItemSize(CFG_ITEM_MOTION)) {
        std::memcpy(work.data() + DeviceConfig::kMotionBlock.offset, pictureBlock.data() + inside,
                    DeviceConfig::kMotionBlock.size);
    }
}

}  // namespace

IssueWorker::IssueWorker() {
    RPROV_Init();
}

void IssueWorker::Run() {
    store_ = &DataManager::instance();
    OutputDebugStringA("begin issued work. \n");
    const std::vector<CameraRecord> cameras = store_->issuedCameras();
    const IssuedConfig config = store_->issuedConfig();
    Json::Value results(Json::nullValue);
    for (const CameraRecord& target : cameras) {
        const CameraRecord camera = target;
        results.append(issueCamera(camera, config));
        // Re-read the camera: its outputs are discarded, its cache updates stay.
        std::string configText;
        Json::Value discarded(Json::objectValue);
        store_->getConfigInfoByDevSerial(camera, configText, discarded);
    }
    result = WriteJson(results);
    OutputDebugStringA("Issued res: ");
    OutputDebugStringA(result.c_str());
    OutputDebugStringA("\n");
    OutputDebugStringA("end issued work. \n");
}

Json::Value IssueWorker::issueCamera(const CameraRecord& camera, const IssuedConfig& config) {
    int32_t handle = -1;
    LoginDeviceInfo info;
    const bool loggedIn =
        RPROV_Login_Dev(camera.devip, camera.port, camera.passwd, handle, info, camera.newDev);

    std::vector<const IssueItem*> items;
    for (const IssueItem& item : IssueItems()) {
        if ((config.sectionMask & item.sectionBit) != 0) {
            items.push_back(&item);
        }
    }

    // The camera's record as last read; without one it is read now, in this login, so that no
    // block built from an unread record ever reaches the camera.
    auto work = std::make_unique<DeviceConfig>();
    const std::optional<std::string> key = MakeCameraKey(camera.serial, camera.channelNo);
    bool haveRecord = key && store_->cachedDeviceConfig(*key, *work);
    if (loggedIn && !haveRecord && !items.empty()) {
        haveRecord = RPROV_GetConfig(handle, camera.serial, camera.channelNo, *work);
    }

    std::string moreInfo;
    int failNum = 0;
    Json::Value syncInfo(Json::nullValue);
    for (const IssueItem* item : items) {
        bool success = false;
        if (!loggedIn || !haveRecord) {
            // One failed step per item, the defence item included.
            ++failNum;
            moreInfo = loggedIn ? kReadFailed : kNetworkError;
        } else if (item->codeCount == 2) {
            // Defence: the picture block for its motion sub-block, then the alarm sound block;
            // each failed call counts, and the item reports the second.
            const std::vector<uint8_t> picture =
                PrepareItemBlock(item->codes[0], config, camera.channelNo, *work);
            if (Send(handle, item->codes[0], camera.channelNo, picture, moreInfo)) {
                AcceptMotionSubBlock(picture, *work);
            } else {
                ++failNum;
            }
            const std::vector<uint8_t> alarm =
                PrepareItemBlock(item->codes[1], config, camera.channelNo, *work);
            success = Send(handle, item->codes[1], camera.channelNo, alarm, moreInfo);
            if (success) {
                AcceptItemBlock(item->codes[1], alarm, *work);
            } else {
                ++failNum;
            }
        } else {
            const int32_t code = item->codes[0];
            const std::vector<uint8_t> block =
                PrepareItemBlock(code, config, camera.channelNo, *work);
            success = Send(handle, code, camera.channelNo, block, moreInfo);
            if (success) {
                // Later items start from what the camera accepted.
                AcceptItemBlock(code, block, *work);
            } else {
                ++failNum;
            }
        }
        Json::Value entry(Json::objectValue);
        entry["isSuccess"] = success;
        entry["moreInfo"] = moreInfo;
        entry["itemName"] = item->itemName;
        syncInfo.append(entry);
    }
    RPROV_Logout_Dev(handle);  // also after a failed login, with the handle still -1

    Json::Value device(Json::objectValue);
    device["serial"] = camera.serial;
    device["channelNo"] = camera.channelNo;
    device["deviceName"] = camera.devname;
    Json::Value entry(Json::objectValue);
    entry["device"] = device;
    entry["failNum"] = failNum;
    entry["syncInfo"] = syncInfo;
    return entry;
}

}  // namespace orvex
