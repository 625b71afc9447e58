#include "devcfg/issue_worker.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "devcfg/camera_issue.h"
#include "platform/rprov/rprov_agent.h"
#include "platform/win32/debug_output.h"
#include "support/bounded_parallel.h"
#include "support/json_text.h"

namespace orvex {
namespace {

constexpr size_t kDefaultConcurrency = 16;
constexpr size_t kMaxConcurrency = 256;
// The start of the message of a restore whose backup is missing or unreadable.
constexpr char kBackupUnusable[] = "备份不存在或已损坏：";

// The target indices grouped by CameraKey, groups in order of first appearance: one camera
// channel is never issued by two threads at once, and its entries keep the request's order.
std::vector<std::vector<size_t>> GroupByKey(const std::vector<CameraRecord>& cameras) {
    std::vector<std::vector<size_t>> groups;
    std::map<std::string, size_t> groupOf;
    for (size_t i = 0; i < cameras.size(); ++i) {
        const std::string key = MakeCameraKey(cameras[i].serial, cameras[i].channelNo)
                                    .value_or("#" + std::to_string(i));
        auto [it, added] = groupOf.emplace(key, groups.size());
        if (added) {
            groups.emplace_back();
        }
        groups[it->second].push_back(i);
    }
    return groups;
}

std::string ProgressText(size_t done, size_t total, const CameraRecord& camera, int failNum) {
    Json::Value progress(Json::objectValue);
    progress["done"] = static_cast<Json::UInt64>(done);
    progress["total"] = static_cast<Json::UInt64>(total);
    progress["serial"] = camera.serial;
    progress["channelNo"] = camera.channelNo;
    progress["failNum"] = failNum;
    return WriteJson(progress);
}

}  // namespace

size_t IssueWorker::ConcurrencyFromEnvironment() {
    const char* text = std::getenv("ORVEX_ISSUE_CONCURRENCY");
    if (text == nullptr) {
        return kDefaultConcurrency;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1) {
        return kDefaultConcurrency;
    }
    return value > static_cast<long>(kMaxConcurrency) ? kMaxConcurrency
                                                      : static_cast<size_t>(value);
}

IssueWorker::IssueWorker(IssueStore& store)
    : store_(store), concurrency_(ConcurrencyFromEnvironment()) {
    RPROV_Init();
}

struct IssueWorker::CameraPlan {
    const DeviceConfig* restoreFrom = nullptr;  // a restore's backup of the camera
    const char* failCause = nullptr;            // not contacted, for this reason
    std::string failText;
};

std::vector<std::string> IssueWorker::RunPass(const std::vector<CameraRecord>& cameras,
                                              const IssuedConfig& config,
                                              const std::vector<CameraPlan>& plans,
                                              const char* kind, const std::string& keepPass,
                                              const Progress& progress,
                                              const std::atomic<bool>* stop) {
    lastPassId_.clear();
    BackupPass pass;
    if (backups_ != nullptr && !cameras.empty()) {
        pass.id = backups_->beginPass(kind, config.sectionMask, std::time(nullptr), keepPass);
        backups_->readPass(pass.id, pass);
        lastPassId_ = pass.id;
    }
    // An issue may build from the targets' reads of this request; a restore (which has plans)
    // always reads each camera in its own login, so its backup is what the camera holds then.
    const uint64_t freshSince = plans.empty() ? store_.issuedReadsSince() : UINT64_MAX;
    std::vector<CameraIssueResult> issued(cameras.size());
    std::vector<std::string> texts(cameras.size(), "null");
    const std::vector<std::vector<size_t>> groups = GroupByKey(cameras);
    std::mutex progressLock;  // one progress call at a time, with "done" in calling order
    size_t done = 0;
    ForEachBounded(groups.size(), concurrency_, [&](size_t g) {
        for (size_t i : groups[g]) {
            if (stop != nullptr && stop->load()) {
                return;  // closing: no camera starts
            }
            CameraIssueOptions options;
            options.freshSince = freshSince;
            options.stop = stop;
            if (!plans.empty()) {
                options.restoreFrom = plans[i].restoreFrom;
                options.failCause = plans[i].failCause;
                options.failText = plans[i].failText;
            }
            const std::optional<std::string> key =
                MakeCameraKey(cameras[i].serial, cameras[i].channelNo);
            if (backups_ != nullptr) {
                // Without a saved backup nothing is written: every write can be undone.
                options.backup = [&, key](const DeviceConfig& before) {
                    return !pass.id.empty() && key && backups_->saveCamera(pass.id, *key, before);
                };
            }
            issued[i] = IssueToCamera(store_, cameras[i], config, options);
            texts[i] = WriteJson(issued[i].entry);
            issued[i].entry = Json::Value();
            std::lock_guard<std::mutex> guard(progressLock);
            ++done;
            if (progress) {
                progress(ProgressText(done, cameras.size(), cameras[i], issued[i].failNum));
            }
        }
    });

    for (size_t i = 0; i < cameras.size(); ++i) {
        if (texts[i] != "null") {  // started: its entry is an object
            pass.cameras.push_back(BackupCamera{cameras[i].serial, cameras[i].channelNo,
                                                cameras[i].devname, issued[i].itemsWritten,
                                                issued[i].failNum});
        }
    }
    if (!pass.id.empty()) {
        backups_->writePass(pass);
    }
    return texts;
}

void IssueWorker::Run(const Progress& progress, const std::atomic<bool>* stop) {
    OutputDebugStringA("begin issued work. \n");
    const std::vector<CameraRecord> cameras = store_.issuedCameras();
    const IssuedConfig config = store_.issuedConfig();
    const std::vector<std::string> texts =
        RunPass(cameras, config, {}, "issue", {}, progress, stop);
    result = texts.empty() ? std::string("null") : WriteJsonArray(texts);
    OutputDebugStringA("Issued res: ");
    OutputDebugStringA(result.c_str());
    OutputDebugStringA("\n");
    OutputDebugStringA("end issued work. \n");
}

void IssueWorker::Restore(const std::string& passId, const std::vector<CameraRecord>& cameras,
                          const Progress& progress, const std::atomic<bool>* stop) {
    Json::Value answer(Json::objectValue);
    answer["passId"] = passId;
    BackupPass pass;
    if (backups_ == nullptr || !backups_->readPass(passId, pass)) {
        answer["error"] = std::string(kBackupUnusable) + "备份记录 " + passId;
        result = WriteJson(answer);
        lastPassId_.clear();
        return;
    }
    // Every backup is read before the restore pass begins, so no later pruning can take it.
    std::vector<std::unique_ptr<DeviceConfig>> saved(cameras.size());
    std::vector<CameraPlan> plans(cameras.size());
    std::string unusable;
    for (size_t i = 0; i < cameras.size(); ++i) {
        const std::optional<std::string> key =
            MakeCameraKey(cameras[i].serial, cameras[i].channelNo);
        saved[i] = std::make_unique<DeviceConfig>();
        if (key && backups_->loadCamera(passId, *key, *saved[i]) == BackupLoad::kLoaded) {
            plans[i].restoreFrom = saved[i].get();
            continue;
        }
        plans[i].failCause = "backupMissing";
        plans[i].failText = std::string(kBackupUnusable) + "摄像机 " + cameras[i].serial +
                            " 通道 " + std::to_string(cameras[i].channelNo);
        unusable += (unusable.empty() ? "" : "、") + cameras[i].serial + " 通道 " +
                    std::to_string(cameras[i].channelNo);
    }
    IssuedConfig config;
    config.sectionMask = pass.sectionMask;
    // A restore's answer nests the camera objects, so they are read back into one tree; a
    // restore covers one pass's cameras, not a whole site at once.
    Json::Value& synced = answer["camerasSyncInfo"];
    for (const std::string& text :
         RunPass(cameras, config, plans, "restore", passId, progress, stop)) {
        Json::Value entry;
        ParseJson(text, entry);
        synced.append(std::move(entry));
    }
    answer["restorePassId"] = lastPassId_;
    if (!unusable.empty()) {
        answer["error"] = std::string(kBackupUnusable) + unusable;
    }
    result = WriteJson(answer);
}

}  // namespace orvex
