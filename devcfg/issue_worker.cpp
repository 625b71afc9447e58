#include "devcfg/issue_worker.h"

#include <cstdlib>
#include <map>
#include <mutex>
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

void IssueWorker::Run(const Progress& progress, const std::atomic<bool>* stop) {
    OutputDebugStringA("begin issued work. \n");
    const std::vector<CameraRecord> cameras = store_.issuedCameras();
    const IssuedConfig config = store_.issuedConfig();
    const uint64_t freshSince = store_.issuedReadsSince();

    std::vector<Json::Value> entries(cameras.size());
    const std::vector<std::vector<size_t>> groups = GroupByKey(cameras);
    std::mutex progressLock;  // one progress call at a time, with "done" in calling order
    size_t done = 0;
    ForEachBounded(groups.size(), concurrency_, [&](size_t g) {
        for (size_t i : groups[g]) {
            if (stop != nullptr && stop->load()) {
                return;  // closing: no camera starts
            }
            CameraIssueResult issued = IssueToCamera(store_, cameras[i], config, freshSince, stop);
            entries[i] = std::move(issued.entry);
            std::lock_guard<std::mutex> guard(progressLock);
            ++done;
            if (progress) {
                progress(ProgressText(done, cameras.size(), cameras[i], issued.failNum));
            }
        }
    });

    Json::Value results(Json::nullValue);
    for (Json::Value& entry : entries) {
        results.append(std::move(entry));
    }
    result = WriteJson(results);
    OutputDebugStringA("Issued res: ");
    OutputDebugStringA(result.c_str());
    OutputDebugStringA("\n");
    OutputDebugStringA("end issued work. \n");
}

}  // namespace orvex
