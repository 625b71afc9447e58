// IssueRequestRunner: carries out the page's issue requests one at a time, from the parse of the
// targets to the push of the result.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "devcfg/backup_store.h"
#include "devcfg/issue_worker.h"

namespace orvex {

class IssueRequestRunner {
  public:
    // One issue request of task type 3 (the whole configuration) or 4 (a single
    // configuration): writes the "issued dev: " / "issued cfg: " lines ("issued single dev: " /
    // "issued single cfg: " for type 4), runs setIssuedObject with `cameras` and setIssuedConfig
    // with `config`, creates the IssueWorker on the first request, runs it, and hands its result
    // text to `push` (which pushes it with code 7 or 10). The targets' reads and the pass handle
    // up to the worker's concurrency of cameras at once; `progress` (when given) is told after
    // each camera of the pass. All of it holds one lock, so a second request's parse begins only
    // after the first request's push; other task types are not held up. Pool workers.
    void run(int32_t taskType, const std::string& cameras, const std::string& config,
             const std::function<void(const std::string& result)>& push,
             const IssueWorker::Progress& progress = {});

    // Query 22: restores the cameras of `request` ({"passId", "cameras"}) from that backup pass,
    // as an issue (progress 12 after each camera), and hands answer 16's text to `push`: the
    // worker's restore result, or {"passId", "error"} for a request that cannot be read. Holds
    // the same lock as run. Pool workers.
    void restore(const std::string& request,
                 const std::function<void(const std::string& result)>& push,
                 const IssueWorker::Progress& progress = {});
    // Query 21: answer 15's text, the backup passes newest first. Pool workers.
    std::string listBackups() const;
    // Query 20: answer 14's text, the targets' configurations read up to the issue concurrency
    // at once. Pool workers; beside a running issue.
    static std::string readTargets(const std::string& request);

    // Where the passes' backups are kept: BackupStore::DefaultRoot() unless a test sets another.
    // Not during a request.
    void setBackupRoot(const std::string& root) { backups_ = std::make_unique<BackupStore>(root); }

    // Closing: the request running ends early (no camera starts, those in flight end after
    // their current item or read) and later requests do nothing. Any thread.
    void stop() { stopped_ = true; }

    // The page's answer code for a task type: 7 for type 3, 10 for type 4. Any thread.
    static int AnswerCode(int32_t taskType);
    // The page's answer codes of issue progress, the targets' read, the backup list and the
    // restore. Any thread.
    static constexpr int kProgressCode = 12;
    static constexpr int kTargetsCode = 14;
    static constexpr int kBackupsCode = 15;
    static constexpr int kRestoreCode = 16;

  private:
    std::atomic<bool> stopped_{false};
    std::mutex lock_;
    // Creates the worker on first use, with the backup store. With lock_ held.
    IssueWorker& worker();

    std::unique_ptr<IssueWorker> worker_;  // created by the first request, kept
    std::unique_ptr<BackupStore> backups_ =
        std::make_unique<BackupStore>(BackupStore::DefaultRoot());
};

}  // namespace orvex
