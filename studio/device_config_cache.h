// DeviceConfigCache: the store's records read from cameras, kept in an anonymous memory file
// (they hold Wi-Fi keys, so they never reach a disk) and stamped with the read they came from.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/posix/memory_file.h"
#include "platform/rprov/rprov_records.h"

namespace orvex {

// A map from CameraKey to the 80,280-byte DeviceConfig a camera returned. Each record lives in
// its own slot of a memory file; a key read again reuses its slot. Every record carries the stamp
// of the read that produced it (stamps grow with the start of each read), so a read that started
// earlier never replaces a later one, and a caller can tell whether a record was read after a
// given moment. When no memory file can be made or written, the record is kept in the heap
// instead, so a put never loses a record.
class DeviceConfigCache {
  public:
    // Makes the backing file; called once, on the first put. Null: keep records in the heap.
    using FileMaker = std::unique_ptr<MemoryFile> (*)();
    static std::unique_ptr<MemoryFile> MakeMemoryFile();

    explicit DeviceConfigCache(FileMaker make = &MakeMemoryFile) : make_(make) {}
    DeviceConfigCache(const DeviceConfigCache&) = delete;
    DeviceConfigCache& operator=(const DeviceConfigCache&) = delete;

    // Stores `config` under `key` with `stamp` (above 0), unless the key holds a record of a
    // later stamp. True when stored. Any thread.
    bool put(const std::string& key, uint64_t stamp, const DeviceConfig& config);

    // Copies the record of `key` into `config` and its stamp into `stamp` (when given). False,
    // with both unchanged, when there is no record or its slot cannot be read back. Any thread.
    bool get(const std::string& key, DeviceConfig& config, uint64_t* stamp = nullptr) const;

    // The stamp of the record under `key`; 0 when there is none. Any thread.
    uint64_t stamp(const std::string& key) const;

    // How many keys have a record, how many of those are held in the heap, and the size of the
    // memory file. Any thread.
    size_t size() const;
    size_t inMemoryCount() const;
    uint64_t fileBytes() const;

    // Forgets every record and drops the file. Any thread.
    void clear();

  private:
    struct Entry {
        uint64_t stamp = 0;
        long slot = -1;                              // slot in the file, or -1
        std::unique_ptr<const DeviceConfig> memory;  // the record when it has no slot
    };

    bool writeSlot(long slot, const DeviceConfig& config);

    FileMaker make_;
    mutable std::mutex lock_;  // guards everything below; slots are read and written under it
    std::map<std::string, Entry> entries_;
    std::unique_ptr<MemoryFile> file_;
    bool fileFailed_ = false;  // no file could be made: keep records in the heap from now on
    long slots_ = 0;           // slots handed out so far
};

}  // namespace orvex
