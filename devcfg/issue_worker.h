// IssueWorker: writes the issued configuration into every target camera, up to a set number of
// cameras at once, and keeps the per-camera, per-item result list of the last pass.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <json/json.h>

#include "devcfg/backup_store.h"
#include "devcfg/camera_record.h"
#include "devcfg/issue_store.h"

namespace orvex {

class IssueWorker {
  public:
    // Told after each camera finishes, in finishing order: the progress text
    // {"done", "total", "serial", "channelNo", "failNum"}. Called on the pass's threads, one call
    // at a time.
    using Progress = std::function<void(const std::string& text)>;

    // The number of cameras a pass handles at once unless told otherwise:
    // ORVEX_ISSUE_CONCURRENCY (1 to 256) when set to a number, otherwise 16. Any thread.
    static size_t ConcurrencyFromEnvironment();

    // Initialises the device library (RPROV_Init; its result is not used) and takes the
    // concurrency from the environment. `store` outlives the worker.
    explicit IssueWorker(IssueStore& store);

    // One pass over the store's issuedCameras with its issuedConfig: each camera is logged in
    // to, sent every section the mask holds as its items, logged out and re-read (see
    // IssueToCamera), up to concurrency() cameras at once; entries with the same CameraKey are
    // issued one after another in request order. On return `result` holds the JSON text of the
    // pass in request order ("null" for no camera), the same bytes whatever the concurrency.
    // Once `stop` (when given) is set, no camera is started and those in flight end after their
    // current item; the result then holds null for every camera not started. With a backup
    // store, the pass is recorded there as kind "issue": each camera's record before its first
    // write, and at the end each camera's accepted items and failNum; a camera whose backup
    // cannot be saved is sent nothing.
    // The issue request's thread; one pass at a time (IssueRequestRunner serialises them).
    void Run(const Progress& progress = {}, const std::atomic<bool>* stop = nullptr);

    // Restores `cameras` (a subset of the pass's cameras, with passwords) from backup pass
    // `passId`: each camera with a whole backup is logged in to, read, backed up into a new pass
    // of kind "restore", sent the backup's block of every item the pass's sections hold, item
    // by item, logged out and re-read, as Run issues. A camera without a whole backup is not
    // contacted: its items fail with the cause "backupMissing". On return `result` holds
    // {"passId", "restorePassId", "camerasSyncInfo": [the camera objects of Run's result],
    // "error" (when a backup was missing or corrupt)}, or only {"passId", "error"} when the
    // pass cannot be read. Needs a backup store. The issue request's thread, one pass at a time.
    void Restore(const std::string& passId, const std::vector<CameraRecord>& cameras,
                 const Progress& progress = {}, const std::atomic<bool>* stop = nullptr);

    // Where each camera's record is saved before the pass first writes to it; null (the
    // default) saves nothing. Not during a pass.
    void setBackupStore(BackupStore* backups) { backups_ = backups; }
    // The backup pass of the last Run or Restore; empty when none was made.
    const std::string& lastPassId() const { return lastPassId_; }

    size_t concurrency() const { return concurrency_; }
    // At least 1. Not during a pass.
    void setConcurrency(size_t cameras) { concurrency_ = cameras < 1 ? 1 : cameras; }

    // The result text of the last pass; empty before the first.
    std::string result;

  private:
    struct CameraPlan;  // how one camera of a pass is handled
    // Issues every camera by its plan, up to concurrency() at once, and records the pass in
    // the backup store as `kind`. Returns the camera objects' texts in request order ("null"
    // for a camera not started); each camera's tree is freed as soon as it is written.
    std::vector<std::string> RunPass(const std::vector<CameraRecord>& cameras,
                                     const IssuedConfig& config,
                                     const std::vector<CameraPlan>& plans, const char* kind,
                                     const std::string& keepPass, const Progress& progress,
                                     const std::atomic<bool>* stop);

    IssueStore& store_;
    size_t concurrency_;
    BackupStore* backups_ = nullptr;
    std::string lastPassId_;
};

}  // namespace orvex
