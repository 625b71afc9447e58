// BackupStore: each issue or restore pass's record of every camera as it was before the pass
// wrote to it, one private folder per pass with a manifest, the newest 20 passes kept.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "platform/rprov/rprov_records.h"

namespace orvex {

// One camera of a pass: who it is, the items it accepted and how many steps failed.
struct BackupCamera {
    std::string serial;
    int32_t channelNo = 0;
    std::string name;
    std::vector<std::string> items;  // "itemName"s of the items it accepted, in order
    int failNum = 0;
    bool operator==(const BackupCamera&) const = default;
};

// A pass's manifest.
struct BackupPass {
    std::string id;            // "YYYYMMDD-HHMMSS-N", also the folder's name
    std::string when;          // "YYYY-MM-DD HH:MM:SS", local time
    std::string kind;          // "issue" or "restore"
    uint32_t sectionMask = 0;  // the sections the pass issued (IssuedSection bits)
    std::vector<BackupCamera> cameras;
    bool operator==(const BackupPass&) const = default;
};

// {"serial", "channelNo", "name", "items", "failNum"}: a pass's camera as the manifest and the
// page's list of passes both write it. Pure; any thread.
Json::Value BackupCameraJson(const BackupCamera& camera);

// The outcome of loading one camera's backup.
enum class BackupLoad { kLoaded, kMissing, kCorrupt };

class BackupStore {
  public:
    static constexpr size_t kKeptPasses = 20;

    // The default root: $XDG_DATA_HOME/orvex-cloud-config/backups (~/.local/share/... without
    // it); empty without a home folder. Any thread.
    static std::string DefaultRoot();

    // Passes live in folders under `root` (created 0700 on first use).
    explicit BackupStore(std::string root);

    // Starts a pass of `kind` at `now`: creates its folder and manifest (no cameras yet), then
    // removes the oldest passes beyond kKeptPasses, never `keep` (the pass a restore reads).
    // Returns the new pass's id, or empty when it could not be created. Any thread.
    std::string beginPass(const std::string& kind, uint32_t sectionMask, std::time_t now,
                          const std::string& keep = {});
    // Saves `record` as the backup of camera `key` ("serial_channel") in pass `id`. Any thread;
    // different cameras at once.
    bool saveCamera(const std::string& id, const std::string& key, const DeviceConfig& record);
    // Loads the backup of camera `key` in pass `id`: kMissing when there is no such pass or
    // file, kCorrupt when the file is not a whole, unaltered backup of that camera. Any thread.
    BackupLoad loadCamera(const std::string& id, const std::string& key,
                          DeviceConfig& record) const;
    // Replaces the manifest of pass `pass.id`. Any thread.
    bool writePass(const BackupPass& pass);
    // Reads the manifest of pass `id`; false when missing or unreadable. Any thread.
    bool readPass(const std::string& id, BackupPass& pass) const;
    // Every pass whose manifest reads, newest first. Any thread.
    std::vector<BackupPass> listPasses() const;

    const std::string& root() const { return root_; }

  private:
    std::string passFolder(const std::string& id) const;
    // The ids of the pass folders, oldest first.
    std::vector<std::string> passIds() const;

    std::string root_;
    std::mutex beginLock_;  // two passes begun at once must not both prune or take one id
};

// The bytes of a camera's backup file and their reading: a magic, the camera key, the record
// and a checksum. Exposed for tests. Pure; any thread.
std::string EncodeBackup(const std::string& key, const DeviceConfig& record);
BackupLoad DecodeBackup(const std::string& bytes, const std::string& key, DeviceConfig& record);

}  // namespace orvex
