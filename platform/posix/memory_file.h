// MemoryFile: an anonymous file that lives only in memory (memfd), for data that must never
// reach a disk, read and written at byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex {

class MemoryFile {
  public:
    // Makes the file; valid() tells whether that worked (it fails where memfd_create is not
    // available or the process is out of descriptors).
    explicit MemoryFile(const char* name);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool valid() const { return fd_ >= 0; }

    // Writes or reads exactly `size` bytes at `offset`; false when not all of them could be
    // moved (a write may then have left part of them). The file grows as written. Positional,
    // so several threads may call these at once on disjoint ranges.
    bool write(uint64_t offset, const void* data, size_t size);
    bool read(uint64_t offset, void* data, size_t size) const;

    // The file's size in bytes (the memory it takes). Any thread.
    uint64_t size() const;

  private:
    int fd_ = -1;
};

}  // namespace orvex
