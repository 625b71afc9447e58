// DeviceConfigCache: the store's records read from cameras, kept in a temporary file so the
// process's memory does not grow with the number of cameras read.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/rprov/rprov_records.h"

namespace orvex {

// A map from CameraKey to the 80,280-byte DeviceConfig a camera returned. Each record lives in
// its own slot of an unlinked temporary file; a key read again reuses its slot. When the file
// cannot be made or written (no temporary folder, full disk) the record is kept in memory
// instead, so a put never loses a record. The file disappears with the process.
class DeviceConfigCache {
  public:
    // Opens the backing file; called once, on the first put. Returns null when none can be made.
    using FileOpener = std::FILE* (*)();

    explicit DeviceConfigCache(FileOpener open = &std::tmpfile) : open_(open) {}
    DeviceConfigCache(const DeviceConfigCache&) = delete;
    DeviceConfigCache& operator=(const DeviceConfigCache&) = delete;

    // Stores `config` under `key`, replacing the earlier record. Any thread.
    void put(const std::string& key, const DeviceConfig& config);

    // Copies the record of `key` into `config`. False, with `config` unchanged, when there is no
    // record or its slot cannot be read back (the caller then reads the camera again). Any thread.
    bool get(const std::string& key, DeviceConfig& config) const;

    // How many keys have a record, and how many of those are held in memory. Any thread.
    size_t size() const;
    size_t inMemoryCount() const;

    // Forgets every record and removes the file. Any thread.
    void clear();

  private:
    struct Entry {
        long slot = -1;                              // slot in the file, or -1
        std::unique_ptr<const DeviceConfig> memory;  // the record when it has no slot
    };
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    bool writeSlot(long slot, const DeviceConfig& config);

    FileOpener open_;
    mutable std::mutex lock_;  // guards everything below, and the file position
    std::map<std::string, Entry> entries_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    bool fileFailed_ = false;  // the file could not be made: keep records in memory from now on
    long slots_ = 0;           // slots handed out so far
};

}  // namespace orvex
