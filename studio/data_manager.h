// DataManager: the process-wide store of the studio's groups and cameras, the issuing targets
// and the configuration caches, and the page's questions about them.
#pragma once

#include <json/json.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "devcfg/camera_record.h"
#include "devcfg/issue_store.h"
#include "devcfg/issued_config.h"
#include "platform/rprov/rprov_records.h"
#include "platform/win32/win_types.h"
#include "studio/device_config_cache.h"
#include "support/deferred_release.h"
#include "support/newest_job.h"

namespace orvex {

class DataManager : public IssueStore {
  public:
    // The group list as readers see it: an immutable snapshot. Groups are shared between
    // snapshots, so taking one never copies cameras.
    using GroupList = std::vector<std::shared_ptr<const GroupRecord>>;
    using GroupSnapshot = std::shared_ptr<const GroupList>;

    // The single store, created on first use and never destroyed. Any thread.
    static DataManager& instance();

    // GUI thread, once, at window set-up.
    void setMainWindow(HWND hwnd);
    HWND mainWindow() const;

    // Studio messages; receive thread. Type 1 = groups, type 2 = current camera.
    void onStudioMessage(int type, const std::string& payload);
    // Takes the text by value: a caller that moves its buffer in saves a copy of what can be
    // megabytes.
    void onGroupInfoMessage(std::string text);
    // Returns when the documents the group handler handed to its background thread are freed.
    // For benchmarks and tests; any thread.
    void waitForReleases();
    // Stores the camera message and its camera, and has the camera's configuration fetched on a
    // background worker (a newer camera message replaces a fetch still waiting).
    void onCameraMessage(const std::string& text);
    // Returns when the studio camera message's fetch has ended. For tests; any thread.
    void waitForCameraFetch();

    // The page's quick questions, answered on the GUI thread (the password check also reads the
    // group information on a pool worker); any thread. An empty text means nothing to answer.
    std::string getGroupInfo() const;
    std::string getCurrentCameraInfo() const;
    std::string getGroupCamerasInfo(const std::string& request) const;
    std::string getAllCamerasInfo() const;

    // The page's camera questions that reach the camera; task workers (and the camera fetch
    // worker of onCameraMessage).
    std::string getCameraCfgInfo(const std::string& request);
    std::string getCameraCfgRangeInfo(const std::string& request);

    // Fills the issuing targets and reads each one's configuration, up to `concurrency` cameras
    // at once; once `stop` (when given) is set, no further read starts. Task workers, one issue
    // at a time.
    void setIssuedObject(const std::string& request, size_t concurrency = 1,
                         const std::atomic<bool>* stop = nullptr);
    std::vector<CameraRecord> issuedCameras() const override;
    // The read stamp at the start of the last setIssuedObject: a cached record whose stamp is
    // above it was read from its camera during the current issue request. Any thread.
    uint64_t issuedReadsSince() const override;

    // Reads the page's configuration into the issued configuration and its section mask; task
    // workers, one issue at a time. issuedConfig() returns a copy; any thread.
    void setIssuedConfig(const std::string& request);
    IssuedConfig issuedConfig() const override;

    // Rewrites the page group info after a confirmed password. Called with groupLock held
    // (by the password check); takes no group lock itself.
    void updateCameraPassword(const std::string& groupId, const std::string& serial,
                              int32_t channelNo, const std::string& passwd, bool checkPassword);

    // The configuration fetch: logs in to the camera, reads its configuration and ranges, adds
    // the page configuration members to `json`, and on success stores the three cache entries
    // under the record's CameraKey and copies the record read into `readBack` (when given).
    // True when both reads succeeded. Any worker thread.
    bool getConfigInfoByDevSerial(const CameraRecord& record, std::string& configText,
                                  Json::Value& json, DeviceConfig* readBack = nullptr);
    // The Wi-Fi networks a camera sees, as a JSON array of {"ssid"} objects written into `out`;
    // `out` is left as it was when the request is not JSON or the camera cannot be read. Task
    // workers.
    void getWifiInfoByDevSerial(const std::string& request, std::string& out);
    // Tests the password of the camera in `request` by logging in. Returns the answer text
    // (empty for a request that cannot be read), copies the camera into `camera`, and sets
    // `passed` when the login succeeded; then marks the first matching stored camera whose
    // password was unconfirmed as confirmed. Pool workers (never the GUI thread: the login can
    // last the library's whole limits).
    std::string CheckDevPassword(const std::string& request, CameraRecord& camera, bool& passed);
    // The DeviceConfig last read from the camera under `key`, and the stamp of that read (see
    // issuedReadsSince); false when none was read. Any thread.
    bool cachedDeviceConfig(const std::string& key, DeviceConfig& config,
                            uint64_t* stamp = nullptr) const override;
    // getConfigInfoByDevSerial with its texts discarded: the issuing worker's re-read.
    bool rereadCamera(const CameraRecord& camera, DeviceConfig& readBack) override;
    // The size of the cache's memory file, where those records are held. Any thread.
    uint64_t deviceConfigFileBytes() const { return deviceConfigCache_.fileBytes(); }
    // The last Wi-Fi list read from any camera, its count limited to 20. Any thread.
    WifiScanList lastWifiList() const;

    // A snapshot of the group list. Any thread.
    GroupSnapshot groups() const;
    // The current camera parsed from the last studio camera message. Any thread.
    CameraRecord currentCamera() const;
    // Cache lookups; false when there is no entry. Any thread.
    bool cachedConfig(const std::string& key, std::string& text) const;
    bool cachedRange(const std::string& key, std::string& text) const;

    // The most cameras the group list holds (a studio that keeps sending new groups cannot make
    // it grow without end); a group message that would go beyond it is refused whole.
    static constexpr size_t kMaxStoredCameras = 1'000'000;
    void setCameraLimitForTesting(size_t cameras) {
        std::lock_guard<std::mutex> lock(groupLock);
        cameraLimit_ = cameras;
    }

    // Forgets everything; for tests that share the process-wide store.
    void resetForTesting();

  private:
    DataManager() = default;

    // Stores the groups of one message together: a group whose id is stored replaces it in
    // place, a new id is appended. False, with nothing changed, when the cameras stored would
    // then exceed the limit.
    bool applyGroups(std::vector<GroupRecord> groups);
    // Keeps `text` as the last group message (and `pageInfo`, when given, as the page's group
    // information); the parsed document and the replaced message go to release_.
    void keepGroupMessage(std::string text, Json::Value parsed, std::string* pageInfo);
    void storeRange(const std::string& key, const std::string& text);
    // Stores the three cache entries of one successful fetch, begun under `stamp`, together;
    // a fetch that began earlier than the stored one stores nothing.
    void storeFetch(const std::string& key, uint64_t stamp, std::string configText,
                    const DeviceConfig& config, std::string rangeText);

    // groupLock guards the group list (the snapshot pointer). Lock order: groupLock before
    // stateLock_; stateLock_ is only ever held for a short copy or assignment.
    mutable std::mutex groupLock;
    GroupSnapshot groups_ = std::make_shared<const GroupList>();
    size_t cameraLimit_ = kMaxStoredCameras;  // guarded by groupLock

    // stateLock_ guards every other member below.
    mutable std::mutex stateLock_;
    std::string lastCameraMessage_;
    CameraRecord currentCamera_;
    std::string lastGroupMessage_;
    std::string pageGroupInfo_;
    std::vector<CameraRecord> issuedCameras_;
    IssuedConfig issuedConfig_;
    std::map<std::string, std::string> configCache_;
    std::map<std::string, std::string> rangeCache_;
    uint64_t issuedSince_ = 0;
    DeviceConfigCache deviceConfigCache_;  // locked on its own, never under stateLock_
    std::atomic<uint64_t> reads_{0};       // the stamp of the latest fetch begun
    WifiScanList lastWifiList_;
    HWND mainWindow_ = nullptr;

    DeferredRelease release_;  // frees the group handler's large documents
    NewestJob cameraFetch_;    // the studio camera message's configuration fetch
};

}  // namespace orvex
