#include "devcfg/camera_issue.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "devcfg/camera_login.h"
#include "devcfg/config_items.h"
#include "platform/rprov/rprov_agent.h"

namespace orvex {
namespace {

// The item texts of a camera whose login failed, whose record could not be read, and which is
// not the camera the target names.
constexpr char kNetworkError[] = "网络异常";
constexpr char kReadFailed[] = "读取配置失败";
constexpr char kSerialMismatch[] = "设备序列号不符";
// The item text of an item not sent because the program is closing (never shown: the page is
// gone by then, but the result is logged).
constexpr char kCancelled[] = "已取消";
// The item text of a camera whose backup could not be saved before its first write.
constexpr char kBackupFailed[] = "无法保存备份，未写入";

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

}  // namespace

const char* IssueCauseOf(int32_t libraryError) {
    switch (libraryError) {
        case RPROV_ERR_CONNECT:
        case RPROV_ERR_CLOSED:
            return "unreachable";
        case RPROV_ERR_TIMEOUT:
            return "timeout";
        case RPROV_ERR_AUTH:
            return "auth";
        case RPROV_ERR_REFUSED:
            return "refused";
        case RPROV_ERR_WRONG_SERIAL:
            return "serialMismatch";
        case RPROV_ERR_UNSUPPORTED:
            return "unsupported";
        default:
            return "camera";  // the camera refused the value or answered nonsense
    }
}

namespace {

// The bytes an accepted item changes in the camera's record: its whole block, except for the
// motion item, whose picture block is sent only for its motion-detection sub-block.
RecordBlock AcceptedRegion(int32_t code) {
    return code == CFG_ITEM_MOTION ? DeviceConfig::kMotionBlock : ConfigItemBlock(code);
}

// Copies the accepted region of `block` (sent for `code`) into `record`.
void Accept(int32_t code, const std::vector<uint8_t>& block, DeviceConfig& record) {
    const RecordBlock region = AcceptedRegion(code);
    const size_t inside = region.offset - ConfigItemBlock(code).offset;
    if (block.size() == ConfigItemSize(code)) {
        std::memcpy(record.data() + region.offset, block.data() + inside, region.size);
    }
}

// One device call of an item.
struct CallOutcome {
    int32_t code = 0;
    bool success = false;
    std::string moreInfo;
    const char* cause = nullptr;  // set when the call failed
};

// One entry of "syncInfo" while the camera is being issued: its own result is its last call's.
struct ItemOutcome {
    const IssueItem* item = nullptr;
    bool success = false;
    std::string moreInfo;
    const char* cause = nullptr;  // set when the item failed
    std::vector<CallOutcome> calls;
};

// Why no block can be built for a logged-in camera: nothing (a record is in `work`), a serial
// mismatch, or a failed read.
enum class RecordState { kReady, kSerialMismatch, kReadFailed };

RecordState ReadWorkRecord(const IssueStore& store, const CameraRecord& camera, int32_t handle,
                           const LoginDeviceInfo& info, uint64_t freshSince, DeviceConfig& work) {
    const std::string reported = info.serialNumber();
    if (!reported.empty() && reported != camera.serial) {
        return RecordState::kSerialMismatch;
    }
    const std::optional<std::string> key = MakeCameraKey(camera.serial, camera.channelNo);
    uint64_t stamp = 0;
    if (key && store.cachedDeviceConfig(*key, work, &stamp) && stamp > freshSince) {
        return RecordState::kReady;  // read from this camera during this request
    }
    if (RPROV_GetConfig(handle, camera.serial, camera.channelNo, work)) {
        return RecordState::kReady;
    }
    return RPROV_GetLastError() == RPROV_ERR_WRONG_SERIAL ? RecordState::kSerialMismatch
                                                          : RecordState::kReadFailed;
}

// Sends one call of an item; on acceptance `work` and `expected` take the accepted bytes. The
// item reports this call until another follows.
// A restore sends the backup's block of the item as it is.
void SendCall(int32_t handle, int32_t code, const IssuedConfig& config, int32_t channelNo,
              const DeviceConfig* restoreFrom, DeviceConfig& work, DeviceConfig& expected,
              ItemOutcome& outcome) {
    std::vector<uint8_t> block;
    if (restoreFrom != nullptr) {
        const auto saved = restoreFrom->block(code);
        block.assign(saved.begin(), saved.end());
    } else {
        block = PrepareItemBlock(code, config, channelNo, work);
    }
    CallOutcome call;
    call.code = code;
    call.success = RPROV_SetConfig_To_Dev(handle, code, channelNo, block.data(), outcome.moreInfo);
    call.moreInfo = outcome.moreInfo;
    if (call.success) {
        // Later items start from what the camera accepted.
        Accept(code, block, work);
        Accept(code, block, expected);
    } else {
        call.cause = IssueCauseOf(RPROV_GetLastError());
    }
    outcome.success = call.success;
    outcome.cause = call.cause;
    outcome.calls.push_back(std::move(call));
}

// True when the re-read holds, in the region `code` changes, what the pass expects there.
bool Kept(int32_t code, const DeviceConfig& reread, const DeviceConfig& expected) {
    const RecordBlock region = AcceptedRegion(code);
    return std::memcmp(reread.data() + region.offset, expected.data() + region.offset,
                       region.size) == 0;
}

// The item's result object. `reread` is null when the re-read failed: nothing is verified then.
Json::Value ItemEntry(const ItemOutcome& outcome, const DeviceConfig* reread,
                      const DeviceConfig& expected) {
    auto describe = [&](Json::Value& entry, bool success, const char* cause, bool kept) {
        if (!success) {
            entry["cause"] = cause != nullptr ? cause : "camera";
        } else if (reread != nullptr) {
            entry["verified"] = kept;
        }
    };
    Json::Value entry(Json::objectValue);
    entry["isSuccess"] = outcome.success;
    entry["moreInfo"] = outcome.moreInfo;
    entry["itemName"] = outcome.item->itemName;
    bool allKept = true;
    Json::Value steps(Json::arrayValue);
    for (const CallOutcome& call : outcome.calls) {
        const bool kept = call.success && reread != nullptr && Kept(call.code, *reread, expected);
        allKept = allKept && (!call.success || kept);
        Json::Value step(Json::objectValue);
        step["isSuccess"] = call.success;
        step["moreInfo"] = call.moreInfo;
        describe(step, call.success, call.cause, kept);
        steps.append(step);
    }
    describe(entry, outcome.success, outcome.cause, allKept);
    // An item of two device calls shows each, so a refused first call is not hidden.
    if (outcome.item->codeCount > 1 && !outcome.calls.empty()) {
        entry["steps"] = steps;
    }
    return entry;
}

}  // namespace

CameraIssueResult IssueToCamera(IssueStore& store, const CameraRecord& camera,
                                const IssuedConfig& config, const CameraIssueOptions& options) {
    const std::atomic<bool>* stop = options.stop;
    const bool contacted = options.failCause == nullptr;
    int32_t handle = -1;
    LoginDeviceInfo info;
    const bool loggedIn = contacted && LoginCamera(camera, handle, info);
    const char* loginCause = loggedIn    ? nullptr
                             : contacted ? IssueCauseOf(RPROV_GetLastError())
                                         : options.failCause;

    std::vector<ItemOutcome> outcomes;
    for (const IssueItem& item : IssueItems()) {
        if ((config.sectionMask & item.sectionBit) != 0) {
            outcomes.emplace_back().item = &item;
        }
    }

    auto work = std::make_unique<DeviceConfig>();
    RecordState state = RecordState::kReady;
    if (loggedIn && !outcomes.empty()) {
        state = ReadWorkRecord(store, camera, handle, info, options.freshSince, *work);
    }
    auto expected = std::make_unique<DeviceConfig>(*work);  // the camera as the pass leaves it
    // The record read in this login is kept before anything is written, so the pass can be
    // undone.
    const bool backedUp = !loggedIn || state != RecordState::kReady || outcomes.empty() ||
                          !options.backup || options.backup(*work);

    // The same moreInfo text serves every item of the camera, as the library leaves it.
    std::string moreInfo;
    int failNum = 0;
    for (ItemOutcome& outcome : outcomes) {
        outcome.moreInfo = std::move(moreInfo);
        if (!loggedIn || state != RecordState::kReady) {
            // One failed step per item, the defence item included; nothing is sent.
            ++failNum;
            if (!contacted) {
                outcome.moreInfo = options.failText;
                outcome.cause = loginCause;
            } else if (!loggedIn) {
                outcome.moreInfo = kNetworkError;
                outcome.cause = loginCause;
            } else if (state == RecordState::kSerialMismatch) {
                outcome.moreInfo = kSerialMismatch;
                outcome.cause = "serialMismatch";
            } else {
                outcome.moreInfo = kReadFailed;
                outcome.cause = "readFailed";
            }
        } else if (!backedUp) {
            ++failNum;
            outcome.moreInfo = kBackupFailed;
            outcome.cause = "backupFailed";
        } else if (Stopped(stop)) {
            // Closing: the item in flight has ended, and no further one starts.
            ++failNum;
            outcome.moreInfo = kCancelled;
            outcome.cause = "cancelled";
        } else {
            // Each call counts when it fails; a two-call item reports its last call.
            for (int k = 0; k < outcome.item->codeCount; ++k) {
                SendCall(handle, outcome.item->codes[k], config, camera.channelNo,
                         options.restoreFrom, *work, *expected, outcome);
                failNum += outcome.success ? 0 : 1;
            }
        }
        moreInfo = outcome.moreInfo;
    }
    if (contacted) {
        RPROV_Logout_Dev(handle);  // also after a failed login, with the handle still -1
    }

    // The re-read refreshes the caches whatever happened, and tells what the camera kept.
    auto reread = std::make_unique<DeviceConfig>();
    const bool rereadOk = contacted && !Stopped(stop) && store.rereadCamera(camera, *reread);

    Json::Value syncInfo(Json::nullValue);
    for (const ItemOutcome& outcome : outcomes) {
        syncInfo.append(ItemEntry(outcome, rereadOk ? &*reread : nullptr, *expected));
    }
    Json::Value device(Json::objectValue);
    device["serial"] = camera.serial;
    device["channelNo"] = camera.channelNo;
    device["deviceName"] = camera.devname;
    CameraIssueResult result;
    for (const ItemOutcome& outcome : outcomes) {
        if (std::any_of(outcome.calls.begin(), outcome.calls.end(),
                        [](const CallOutcome& call) { return call.success; })) {
            result.itemsWritten.push_back(outcome.item->itemName);
        }
    }
    result.entry["device"] = device;
    result.entry["failNum"] = failNum;
    result.entry["syncInfo"] = syncInfo;
    result.failNum = failNum;
    return result;
}

}  // namespace orvex
